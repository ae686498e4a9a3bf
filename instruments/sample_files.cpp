// Filling samples from files on disk: libsndfile for most formats, libmad
// for MP3 files and for WAVE files that carry MPEG Layer III data.
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "instruments/mp3_file.h"
#include "instruments/path_names.h"
#include "instruments/sample.h"

namespace {

constexpr int kMaxLoadedChannels = 2;

float* newBuffer(std::size_t frames) { return new (std::nothrow) float[frames](); }

// Only regular files are read: a device or a pipe named in a chunk or
// dropped on an instrument could block the reading thread for ever.
bool isRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool Sample::isWavMp3(const std::string& path) {
    if (!isRegularFile(path)) return false;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return false;
    unsigned char header[22];
    const bool complete = std::fread(header, 1, sizeof header, in) == sizeof header;
    std::fclose(in);
    return complete && (header[20] | (header[21] << 8)) == 85;
}

bool Sample::load(const std::string& path) {
    if (path.empty() || !isRegularFile(path)) return false;
    if (endsWithMp3(path)) return loadFromMp3(path);

    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    const int error = sf_error(file);
    if (error != SF_ERR_NO_ERROR) {
        if (file) sf_close(file);
        // A library that refuses MPEG data in a WAVE file leaves it to
        // libmad; which error code it gives for that differs by version.
        return isWavMp3(path) && loadFromMp3(path);
    }
    // Libraries that decode it themselves would bypass libmad: route such
    // files to it anyway, so that they load the same everywhere.
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV && isWavMp3(path)) {
        sf_close(file);
        return loadFromMp3(path);
    }
    if (info.frames <= 0 || info.channels <= 0 || info.frames >= INT32_MAX - 16) {
        sf_close(file);
        return false;
    }
    const std::size_t frames = static_cast<std::size_t>(info.frames);
    const int kept = std::min(info.channels, kMaxLoadedChannels);
    std::unique_ptr<float[]> channelData[kMaxLoadedChannels];
    for (int c = 0; c < kept; c++) {
        channelData[c].reset(newBuffer(frames + 1));
        if (!channelData[c]) {
            sf_close(file);
            return false;
        }
    }
    // Read interleaved, in slices, and keep the first two channels of files
    // that have more. A file shorter than its header says reads as silence.
    constexpr std::size_t kSlice = 16384;
    std::vector<float> slice;
    try {
        slice.resize(kSlice * static_cast<std::size_t>(info.channels));
    } catch (const std::bad_alloc&) {
        sf_close(file);
        return false;
    }
    for (std::size_t done = 0; done < frames;) {
        const sf_count_t want = static_cast<sf_count_t>(std::min(kSlice, frames - done));
        const sf_count_t got = sf_readf_float(file, slice.data(), want);
        if (got <= 0) break;
        for (sf_count_t f = 0; f < got; f++)
            for (int c = 0; c < kept; c++)
                channelData[c][done + static_cast<std::size_t>(f)] = slice[static_cast<std::size_t>(f) * info.channels + c];
        done += static_cast<std::size_t>(got);
    }
    sf_close(file);

    length = static_cast<int32_t>(frames);
    channels = kept;
    samplerate = info.samplerate;
    for (int c = 0; c < kept; c++) {
        channelData[c][frames] = channelData[c][0];
        buffers[c] = channelData[c].release();
    }
    loopEnd = length - 1;
    ownsBuffers = true;
    return true;
}

bool Sample::loadFromMp3(const std::string& path) {
    Mp3File decoded(path);
    // A stream without a single decodable frame is no sound at all.
    if (decoded.error || decoded.length <= 0) return false;
    length = decoded.length;
    channels = decoded.channels;
    samplerate = static_cast<int32_t>(decoded.sampleRate);
    for (int c = 0; c < channels; c++) {
        buffers[c] = decoded.takeBuffer(c);
        if (!buffers[c]) return false;
    }
    loopEnd = length - 1;
    ownsBuffers = true;
    return true;
}

