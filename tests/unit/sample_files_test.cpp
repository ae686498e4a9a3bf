// Samples loaded from files made by real encoders at test time: WAV in
// several formats through libsndfile, MP3 and MP3-in-WAV through libmad,
// and the bad files users drop on an instrument.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>

#include "instruments/path_names.h"
#include "instruments/sample.h"

namespace {

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
        make("mkfifo pipe.wav");
    }
    static void TearDownTestSuite() { make("cd / && rm -rf " + dir); }
    static void make(const std::string& command) {
        ASSERT_EQ(std::system(("cd " + dir + " && " + command).c_str()), 0) << command;
    }
    static std::string at(const std::string& name) { return dir + "/" + name; }

    static void expectGuardFrames(const Sample& s) {
        for (int c = 0; c < s.channels; c++) EXPECT_EQ(s.buffers[c][s.length], s.buffers[c][0]) << c;
    }
    static void release(Sample& s) {
        if (s.buffers[1] != s.buffers[0]) delete[] s.buffers[1];
        delete[] s.buffers[0];
    }
    static inline std::string dir;
};

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
        ASSERT_TRUE(s.load(at(c.file))) << c.file;
        EXPECT_EQ(s.channels, c.channels) << c.file;
        EXPECT_EQ(s.length, c.length) << c.file;
        EXPECT_EQ(s.samplerate, c.rate) << c.file;
        EXPECT_EQ(s.loopEnd, c.length - 1) << c.file;
        expectGuardFrames(s);
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
        ASSERT_TRUE(s.load(at(file))) << file;
        EXPECT_EQ(s.channels, channels) << file;
        EXPECT_EQ(s.samplerate, 44100) << file;
        EXPECT_EQ(s.length % 1152, 0) << file;  // libmad hands out whole frames
        expectGuardFrames(s);
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

TEST_F(SampleFiles, ACutShortDataChunkLoadsWhatIsThere) {
    Sample s;
    ASSERT_TRUE(s.load(at("cut.wav")));
    EXPECT_GT(s.length, 1900);
    EXPECT_LE(s.length, 4410);
    for (int k = 0; k <= s.length; k++) ASSERT_TRUE(std::isfinite(s.buffers[0][k]) && std::fabs(s.buffers[0][k]) <= 1.0f);
    release(s);
}

TEST_F(SampleFiles, BadFilesFailCleanly) {
    for (const char* file : {"empty.wav", "header.wav", "text.wav", "folder.wav", "missing.wav", "noframes.mp3", "pipe.wav", ""}) {
        Sample s;
        EXPECT_FALSE(s.load(file[0] ? at(file) : std::string())) << file;
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
