// Files made to hurt the loaders: sizes past what any instrument holds,
// headers that claim more than the file has, a path that turns into a FIFO
// once the loader has looked at it. Loaders refuse or load what is really
// there, never throw, never block.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <limits>
#include <string>

#include "instruments/channel_buffers.h"
#include "instruments/mp3_file.h"
#include "instruments/regular_file.h"
#include "instruments/sample.h"
#include "instruments/wave_file.h"
#include "sample_files_fixture.h"

namespace {

constexpr int64_t kFrameLimit = int64_t{1} << 27;

bool loadAndRelease(const std::string& path) {
    Sample s;
    const bool loaded = s.load(path);
    s.releaseOwnedBuffers();
    return loaded;
}

bool decodeAndRelease(const std::string& path) {
    Sample s;
    const bool loaded = s.loadFromMp3(path);
    s.releaseOwnedBuffers();
    return loaded;
}

TEST_F(SampleFiles, FilesPastTheFrameLimitAreRefusedWithOneLine) {
    struct Case {
        const char* file;
        bool (*loader)(const std::string&);
    };
    // The sparse files are 64 GB; long8.wav's frames are all there.
    const Case cases[] = {{"huge.mp3", loadAndRelease},   {"huge.mp3", decodeAndRelease},
                          {"huge85.wav", loadAndRelease}, {"huge85.wav", decodeAndRelease},
                          {"long8.wav", loadAndRelease}};
    for (const Case& c : cases) {
        bool loaded = true, threw = false;
        testing::internal::CaptureStdout();
        try {
            loaded = c.loader(at(c.file));
        } catch (...) {
            threw = true;
        }
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_FALSE(threw) << c.file;
        EXPECT_FALSE(loaded) << c.file;
        EXPECT_EQ(said, "Quaxel2VST > sample too long, not loaded: " + at(c.file) + "\n");
    }
}

TEST_F(SampleFiles, HeadersThatClaimTooMuchLoadTheFramesThatAreThere) {
    struct Case {
        const char* file;
        int channels, minLength, maxLength;
    };
    const Case cases[] = {{"cut.wav", 1, 1900, 4410},          // data chunk cut short
                          {"claims200M.wav", 1, 4410, 4410},   // FLAC data, whatever the name
                          {"claimsmost.flac", 2, 4410, 4410}};  // 2^36 - 1 frames claimed
    for (const Case& c : cases) {
        Sample s;
        ASSERT_NO_FATAL_FAILURE(loadExpecting(s, c.file, c.channels));
        EXPECT_GE(s.length, c.minLength) << c.file;
        EXPECT_LE(s.length, c.maxLength) << c.file;
        for (int ch = 0; ch < s.channels; ch++)
            for (int k = 0; k < s.length; k++)
                ASSERT_TRUE(std::isfinite(s.buffers[ch][k]) && std::fabs(s.buffers[ch][k]) <= 1.0f) << c.file << " " << k;
        s.releaseOwnedBuffers();
    }
}

TEST_F(SampleFiles, Mp3DecodingStopsPastTheFrameLimit) {
    const RegularFile file(at("stereo.mp3"));
    ChannelBuffers whole(1);
    ASSERT_EQ(decodeMp3(file, whole), 44100u);
    ChannelBuffers exact(1, 0, whole.length()), under(1, 0, whole.length() - 1);
    decodeMp3(file, exact);
    decodeMp3(file, under);
    EXPECT_FALSE(exact.tooLong);
    EXPECT_EQ(exact.length(), whole.length());
    EXPECT_TRUE(under.tooLong);
    Sample s;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(under.giveTo(s, 44100, "x.mp3"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Quaxel2VST > sample too long, not loaded: x.mp3\n");
    EXPECT_EQ(s.buffers[0], nullptr);
}

TEST_F(SampleFiles, EveryLoaderPathClosesWhatItOpens) {
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{});
    };
    const auto before = openDescriptors();
    // Read by libsndfile, refused by it, decoded by libmad after it or
    // without it, refused unread.
    for (const char* file : {"stereo24.wav", "text.wav", "mp3data.wav", "mono.mp3", "huge85.wav", "huge.mp3", "long8.wav"}) {
        testing::internal::CaptureStdout();
        loadAndRelease(at(file));
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(openDescriptors(), before) << file;
    }
}

// The path being swapped and what the loader's opens did with it.
struct Swap {
    std::string path, fifo;
    int opens = 0;
};
Swap swap;

// Puts a FIFO where the file was, right after the loader opened it, as
// another process could at that moment.
void swapForFifo(const std::string& path) {
    if (path != swap.path) return;
    if (++swap.opens == 1) {
        EXPECT_EQ(std::rename(swap.fifo.c_str(), path.c_str()), 0);
    }
}

// Runs `load` on its own thread. One still busy after five seconds is
// blocked on the FIFO: the test fails and frees it by closing a writer.
bool withWatchdog(const std::function<bool()>& load) {
    auto result = std::async(std::launch::async, load);
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "blocked on " << swap.path;
        while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            const int writer = open(swap.path.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) close(writer);
        }
    }
    return result.get();
}

TEST_F(SampleFiles, APathSwappedForAFifoAfterOpeningIsReadAsOpened) {
    struct Case {
        const char* source;
        const char* name;
        bool (*loader)(const std::string&);
    };
    const Case cases[] = {{"mono16.wav", "a.wav", loadAndRelease},
                          {"mono.mp3", "b.mp3", loadAndRelease},
                          {"mp3data.wav", "c.wav", loadAndRelease},
                          {"mono.mp3", "d.mp3", decodeAndRelease},
                          {"mp3data.wav", "e.wav", Sample::isWavMp3}};
    RegularFile::afterOpen = swapForFifo;
    for (const Case& c : cases) {
        swap = {at(c.name), at(c.name) + ".fifo", 0};
        make(std::string("cp ") + c.source + " " + c.name + " && mkfifo " + c.name + ".fifo");
        EXPECT_TRUE(withWatchdog([&] { return c.loader(swap.path); })) << c.name;
        EXPECT_EQ(swap.opens, 1) << c.name;  // opened by name once, then read through the descriptor
    }
    RegularFile::afterOpen = nullptr;
}

// libsndfile's readers of text chunks trust the sizes inside them: a
// subchunk that claims 2 GiB or more sends them round the same bytes
// forever. Only the format and the frames reach the library, so such
// chunks, before or after the frames, no longer matter; a file whose chunk
// list breaks off before its frames is refused.
TEST_F(SampleFiles, OnlyTheFormatAndTheFramesReachTheLibrary) {
    const auto chunk = [](const char* name, const std::string& body) {
        const uint32_t size = static_cast<uint32_t>(body.size());
        return name + std::string(reinterpret_cast<const char*>(&size), 4) + body;
    };
    const std::string fmt = chunk("fmt ", std::string("\x01\0\x01\0\x40\x1f\0\0\x80\x3e\0\0\x02\0\x10\0", 16));
    const std::string frames("\x10\0\x20\0", 4);
    const std::string text = chunk("LIST", std::string("INFOISFT\x04\0\0\0abc\0", 16));
    const std::string runaway = chunk("LIST", std::string("INFOXXXX\xf8\xff\xff\xff\0\0\0\0\0\0\0\0", 20));
    // The library reads four bytes of a "fact" chunk whatever it claims:
    // one that claims two walks it into the text chunk after it.
    const std::string shortFact("fact\x02\0\0\0\xe1\x05\0\0", 12);
    struct Case {
        const char* name;
        std::string before, after;
        bool unfinished;
        int frames;  // -1: refused
    };
    const Case cases[] = {
        {"text.wav", text, "", false, 2},
        {"text-after.wav", "", text, false, 2},
        {"runaway.wav", runaway, "", false, 2},
        {"runaway-after-text.wav", text + runaway, "", false, 2},
        {"runaway-after.wav", "", runaway, false, 2},
        {"unfinished.wav", "", "", true, 2},
        {"short-fact.wav", shortFact + runaway, "", false, -1},
    };
    for (const Case& c : cases) {
        std::string data = chunk("data", frames) + c.after;
        if (c.unfinished) data.replace(4, 4, 4, '\0');
        const std::string body = "WAVE" + fmt + c.before + data;
        const uint32_t riffSize = c.unfinished ? 8 : static_cast<uint32_t>(body.size());
        std::ofstream(at(c.name), std::ios::binary) << "RIFF" + std::string(reinterpret_cast<const char*>(&riffSize), 4) + body;
        Sample s;
        const bool loaded = s.load(at(c.name));
        EXPECT_EQ(loaded, c.frames >= 0) << c.name;
        if (loaded) {
            EXPECT_EQ(s.length, c.frames) << c.name;
        }
        s.releaseOwnedBuffers();
    }
}

TEST(WaveImages, AnImagePastTheFrameLimitIsRefusedUncopied) {
    // Untouched pages of an anonymous mapping cost nothing.
    const std::size_t size = 44 + static_cast<std::size_t>(kFrameLimit) + 1;
    void* mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    auto* image = static_cast<unsigned char*>(mapping);
    const unsigned char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                      16, 0, 0, 0, 1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0,
                                      1, 0, 8, 0, 'd', 'a', 't', 'a', 1, 0, 0, 0x08};  // 2^27 + 1 bytes
    std::copy(std::begin(header), std::end(header), image);
    const WaveFile wave(image, size);
    EXPECT_TRUE(wave.tooLong);
    EXPECT_EQ(wave.frames, 0);
    EXPECT_TRUE(wave.data.empty());
    munmap(mapping, size);
}

}  // namespace

// A floating-point file may carry values no recording has: they must not
// reach the output as NaN, infinity or an overflowing mix.
TEST_F(SampleFiles, NonFiniteAndHugeFramesPlayWithinBounds) {
    const float frames[] = {0.5f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), 3e38f, -0.25f};
    const uint32_t dataBytes = sizeof frames;
    const uint32_t fields[] = {0x46464952, 36 + dataBytes, 0x45564157, 0x20746d66, 16,
                               3u | 1u << 16, 44100, 44100 * 4, 4u | 32u << 16, 0x61746164, dataBytes};
    const std::string path = at("wild.wav");
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(fields), sizeof fields);
    file.write(reinterpret_cast<const char*>(frames), sizeof frames);
    file.close();
    Sample sample;
    ASSERT_TRUE(sample.load(path));
    ASSERT_EQ(sample.length, 6);
    const float expected[] = {0.5f, 0.0f, 0.0f, 0.0f, 1e6f, -0.25f};
    for (int i = 0; i < 6; i++) EXPECT_EQ(sample.buffers[0][i], expected[i]) << i;
    sample.releaseOwnedBuffers();
}
