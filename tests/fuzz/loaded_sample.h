// Shared by the file-loader fuzz targets: the input written to a file of
// this process's own, and what every loader promises about the sample it
// filled or refused.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "instruments/sample.h"
#include "instruments/sample_limits.h"

// One file, rewritten for each input, in a temporary folder removed at exit.
// The folder is in memory: on a disk, each rewrite of a file cut to nothing
// may wait for the disk.
class InputFile {
public:
    explicit InputFile(const char* name) {
        char pattern[] = "/dev/shm/quaxel2-fuzz-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        folder = pattern;
        path = folder + "/" + name;
    }
    ~InputFile() {
        unlink(path.c_str());
        rmdir(folder.c_str());
    }
    const std::string& write(const uint8_t* data, std::size_t size) {
        const int out = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (out < 0 || (size > 0 && ::write(out, data, size) != static_cast<ssize_t>(size))) std::abort();
        close(out);
        return path;
    }

private:
    std::string folder, path;
};

// A refused sample has no buffers. A loaded one has one or two channels of
// 1 to kMaxSampleFrames frames, a rate, loopEnd on its last frame and a
// guard frame with frame 0's bits; every frame is read, so that the
// sanitizer sees a buffer shorter than it says. The buffers are freed.
inline void checkAndRelease(Sample& s, bool loaded) {
    if (!loaded) {
        for (const float* buffer : s.buffers)
            if (buffer) __builtin_trap();
        return;
    }
    if (s.channels < 1 || s.channels > 2 || s.length < 1 || s.length > kMaxSampleFrames || s.samplerate < 1 ||
        s.loopEnd != s.length - 1 || !s.ownsBuffers)
        __builtin_trap();
    for (int c = 0; c < s.channels; c++) {
        const float* buffer = s.buffers[c];
        if (!buffer) __builtin_trap();
        volatile float sum = 0.0f;
        for (int k = 0; k <= s.length; k++) sum = sum + buffer[k];
        if (std::memcmp(&buffer[s.length], &buffer[0], sizeof(float)) != 0) __builtin_trap();
    }
    s.releaseOwnedBuffers();
}
