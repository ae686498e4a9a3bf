// Samples loaded from files made by real encoders at test time: WAV in
// several formats through libsndfile, MP3 and MP3-in-WAV through libmad,
// and the bad files users drop on an instrument.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>

#include "instruments/load_cancel.h"
#include "instruments/path_names.h"
#include "instruments/sample.h"
#include "sample_files_fixture.h"

namespace {

TEST_F(SampleFiles, WaveFormatsLoadThroughTheLibrary) {
    struct Case {
        const char* file;
        int channels, length, rate;
    };
    const Case cases[] = {{"mono16.wav", 1, 4410, 44100},
                          {"stereo24.wav", 2, 4800, 48000},
                          {"float.wav", 1, 2205, 22050},
                          {"quad.wav", 2, 4410, 44100}};  // the first two of four channels
    for (const Case& c : cases) {
        Sample s;
        ASSERT_NO_FATAL_FAILURE(loadExpecting(s, c.file, c.channels));
        EXPECT_EQ(s.length, c.length) << c.file;
        EXPECT_EQ(s.samplerate, c.rate) << c.file;
        // A 441 Hz sine at sox's level: frames keep the ratios of the sine.
        const double w = 2 * M_PI * 441 / c.rate;
        EXPECT_NEAR(s.buffers[0][37] / s.buffers[0][13], std::sin(37 * w) / std::sin(13 * w), 2e-3) << c.file;
        release(s);
    }
}

TEST_F(SampleFiles, Mp3ChannelsFollowTheFrames) {
    const std::pair<const char*, int> cases[] = {{"mono.mp3", 1}, {"stereo.mp3", 2}, {"mixed.mp3", 2}};
    for (auto [file, channels] : cases) {
        Sample s;
        ASSERT_NO_FATAL_FAILURE(loadExpecting(s, file, channels));
        EXPECT_EQ(s.samplerate, 44100) << file;
        EXPECT_EQ(s.length % 1152, 0) << file;  // libmad hands out whole frames
        if (std::string(file) == "mixed.mp3") {
            // The mono part plays the same on both sides.
            for (int k = 1000; k < 3000; k += 97) EXPECT_EQ(s.buffers[0][k], s.buffers[1][k]) << k;
        }
        release(s);
    }
}

TEST_F(SampleFiles, WaveCarryingMp3DataGoesThroughTheMp3Decoder) {
    ASSERT_TRUE(Sample::isWavMp3(at("mp3data.wav")));
    EXPECT_FALSE(Sample::isWavMp3(at("mono16.wav")));
    EXPECT_FALSE(Sample::isWavMp3(at("missing.wav")));
    Sample viaLoad, viaDecoder;
    ASSERT_TRUE(viaLoad.load(at("mp3data.wav")));
    ASSERT_TRUE(viaDecoder.loadFromMp3(at("mp3data.wav")));
    ASSERT_EQ(viaLoad.length, viaDecoder.length);
    EXPECT_EQ(viaLoad.length % 1152, 0);
    for (int k = 0; k < viaLoad.length; k += 101) EXPECT_EQ(viaLoad.buffers[0][k], viaDecoder.buffers[0][k]) << k;
    release(viaLoad);
    release(viaDecoder);
}

TEST_F(SampleFiles, BadFilesFailCleanly) {
    for (const char* file : {"empty.wav", "header.wav", "text.wav", "folder.wav", "missing.wav", "noframes.mp3",
                             "pipe.wav", "pipe.mp3", ""}) {
        const std::string path = file[0] ? at(file) : std::string();
        Sample viaLoad, viaDecoder;
        EXPECT_FALSE(viaLoad.load(path)) << file;
        EXPECT_FALSE(viaDecoder.loadFromMp3(path)) << file;
        EXPECT_FALSE(Sample::isWavMp3(path)) << file;
        for (const Sample* s : {&viaLoad, &viaDecoder})
            for (float* buffer : s->buffers) EXPECT_EQ(buffer, nullptr) << file;
    }
}

// A thread whose load is asked to give up stops at the next slice of
// frames, through either decoder, and keeps nothing.
TEST_F(SampleFiles, ALoadAskedToGiveUpKeepsNothing) {
    const std::atomic<bool> giveUp{true};
    const LoadCancel watching(giveUp);
    for (const char* file : {"mono16.wav", "stereo.mp3"}) {
        Sample s;
        EXPECT_FALSE(s.load(at(file))) << file;
        EXPECT_FALSE(s.refusedTooLong) << file;
        for (float* buffer : s.buffers) EXPECT_EQ(buffer, nullptr) << file;
    }
}

TEST(PathNames, SuffixPrefixAndInstrumentName) {
    const std::pair<const char*, bool> mp3[] = {{"Loop.MP3", true}, {"x.mp3.wav", false}, {".mp3", true},
                                                {"mp3", false},     {"a.Mp3", true},      {"", false}};
    for (auto [path, expected] : mp3) EXPECT_EQ(endsWithMp3(path), expected) << path;
    EXPECT_TRUE(starts_with(":/Resources/sounds/x.wav", ":/Resources/"));
    EXPECT_FALSE(starts_with(":/Res", ":/Resources/"));
    const std::pair<const char*, const char*> names[] = {{"/home/x/My Loop.wav", "My Loop"},
                                                         {"D:\\samples\\Kick", "Kick"},
                                                         {"/samples/kick.take2.wav", "kick.take2"},
                                                         {"plain", "plain"}};
    for (auto [path, name] : names) EXPECT_EQ(instrumentNameFromPath(path), name) << path;
}

}  // namespace
