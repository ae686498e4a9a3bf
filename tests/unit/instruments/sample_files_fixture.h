// Sample files made at test time by real encoders, plus the hostile ones a
// user or a crafted project could hand the loaders: huge sparse files,
// headers that claim more than the file holds, pipes.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "instruments/sample.h"

class SampleFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/quaxel2-samples-XXXXXX";
        dir = mkdtemp(pattern);
        make("sox -n -r 44100 -b 16 -c 1 mono16.wav synth 0.1 sine 441");
        make("sox -n -r 48000 -b 24 -c 2 stereo24.wav synth 0.1 sine 441 sine 882");
        make("sox -n -r 22050 -e floating-point -b 32 -c 1 float.wav synth 0.1 sine 441");
        make("sox -n -r 44100 -b 16 -c 4 quad.wav synth 0.1 sine 441 sine 882 sine 100 sine 200");
        make("lame --quiet -m m mono16.wav mono.mp3");
        make("sox -n -r 44100 -b 16 -c 2 stereo16.wav synth 0.1 sine 441 sine 882");
        make("lame --quiet -m s stereo16.wav stereo.mp3");
        make("cat mono.mp3 stereo.mp3 > mixed.mp3");
        make("ffmpeg -loglevel error -y -i mono16.wav -c:a libmp3lame -b:a 128k mp3data.wav");
        make("head -c 4000 mono16.wav > cut.wav");  // the data chunk claims more than there is
        make("head -c 20 mono16.wav > header.wav");
        make(": > empty.wav");
        make("echo 'not a sound at all' > text.wav");
        make("echo 'not a sound at all' > noframes.mp3");
        make("mkdir folder.wav");
        make("mkfifo pipe.wav pipe.mp3");

        // Sparse files: tens of gigabytes on paper, nothing on disk.
        make("truncate -s 64G huge.mp3");
        make("head -c 100 mp3data.wav > huge85.wav && truncate -s 64G huge85.wav");
        // An 8-bit WAV whose 2^27 + 1 frames are really there.
        writeWaveHeader(at("long8.wav"), 1, 8, (1u << 27) + 1);
        // FLAC headers state the length outright, and libsndfile passes it on.
        make("sox mono16.wav claims200M.wav.flac && mv claims200M.wav.flac claims200M.wav");
        setFlacTotalFrames(at("claims200M.wav"), 200'000'000);
        make("sox stereo16.wav claimsmost.flac");
        setFlacTotalFrames(at("claimsmost.flac"), (uint64_t{1} << 36) - 1);
    }
    static void TearDownTestSuite() { make("cd / && rm -rf " + dir); }
    static void make(const std::string& command) {
        ASSERT_EQ(std::system(("cd " + dir + " && " + command).c_str()), 0) << command;
    }
    static std::string at(const std::string& name) { return dir + "/" + name; }

    // A 44-byte PCM header claiming `dataBytes`, and the file made that long.
    static void writeWaveHeader(const std::string& path, int channels, int bits, uint32_t dataBytes) {
        const uint32_t align = static_cast<uint32_t>(channels * bits / 8);
        const uint32_t fields[] = {0x46464952, 36 + dataBytes, 0x45564157, 0x20746d66, 16,
                                   1u | static_cast<uint32_t>(channels) << 16, 8000, 8000 * align,
                                   align | static_cast<uint32_t>(bits) << 16, 0x61746164, dataBytes};
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(fields), sizeof fields);
        ASSERT_EQ(truncate(path.c_str(), 44 + static_cast<off_t>(dataBytes)), 0);
    }
    // The 36-bit frame count of a FLAC file's STREAMINFO (bytes 21 to 25).
    static void setFlacTotalFrames(const std::string& path, uint64_t frames) {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 26u);
        bytes[21] = static_cast<char>((bytes[21] & 0xF0) | ((frames >> 32) & 0x0F));
        for (int i = 0; i < 4; i++) bytes[22 + i] = static_cast<char>(frames >> (24 - 8 * i));
        file.seekp(0);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static void expectGuardFrames(const Sample& s) {
        for (int c = 0; c < s.channels; c++) EXPECT_EQ(s.buffers[c][s.length], s.buffers[c][0]) << c;
    }
    // Loads `file` and checks what any loaded sample has: the channels
    // expected, loopEnd on the last frame, guard frames.
    static void loadExpecting(Sample& s, const char* file, int channels) {
        ASSERT_TRUE(s.load(at(file))) << file;
        EXPECT_EQ(s.channels, channels) << file;
        EXPECT_EQ(s.loopEnd, s.length - 1) << file;
        expectGuardFrames(s);
    }
    static void release(Sample& s) {
        if (s.buffers[1] != s.buffers[0]) delete[] s.buffers[1];
        delete[] s.buffers[0];
    }
    static inline std::string dir;
};
