// quaxel2-render driving the sine fixture: where notes land in the output,
// how the render is cut into blocks, what time info the plug-in is given,
// and the order of the host's calls. The fixture logs what it received.
#include <glib.h>  // before smf.h, which includes it inside extern "C"
#include <gtest/gtest.h>
#include <sndfile.h>
#include <smf.h>

#include <cmath>
#include <functional>
#include <sstream>

#include "host/vst2.h"
#include "render_harness.h"

using namespace render_test;

namespace {

long long firstNonZero(const Wav& wav, int channel) {
    for (long long i = 0; i < wav.frames; ++i)
        if (wav.at(i, channel) != 0.0f) return i;
    return -1;
}

long long lastNonZero(const Wav& wav, int channel) {
    for (long long i = wav.frames - 1; i >= 0; --i)
        if (wav.at(i, channel) != 0.0f) return i;
    return -1;
}

// One "process" line of the fixture's log: a block and the time info at its start.
struct Block {
    int frames = 0;
    double samplePos = 0, ppqPos = 0, tempo = 0, barStartPos = 0;
    int numerator = 0, denominator = 0, flags = 0;
};

std::vector<Block> blocksIn(const std::vector<std::string>& log) {
    std::vector<Block> blocks;
    for (const std::string& line : log) {
        if (line.rfind("process ", 0) != 0) continue;
        std::istringstream in(line.substr(8));
        Block b;
        char slash;
        in >> b.frames >> b.samplePos >> b.ppqPos >> b.tempo >> b.barStartPos >> b.numerator >> slash >>
            b.denominator >> b.flags;
        EXPECT_FALSE(in.fail()) << line;
        blocks.push_back(b);
    }
    return blocks;
}

// Checks the time info of every block against the musical position the render should be at.
struct Expected {
    double ppq, tempo, barStart;
    int numerator, denominator;
};
void expectTimeInfo(const std::vector<Block>& blocks, double rate,
                    const std::function<Expected(double seconds)>& expected) {
    constexpr int kRequired = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid;
    ASSERT_FALSE(blocks.empty());
    for (const Block& b : blocks) {
        SCOPED_TRACE("block at sample " + std::to_string(b.samplePos));
        Expected e = expected(b.samplePos / rate);
        EXPECT_NEAR(b.ppqPos, e.ppq, 1e-9);
        EXPECT_EQ(b.tempo, e.tempo);
        EXPECT_NEAR(b.barStartPos, e.barStart, 1e-9);
        EXPECT_EQ(b.numerator, e.numerator);
        EXPECT_EQ(b.denominator, e.denominator);
        EXPECT_EQ(b.flags & kRequired, kRequired);
    }
}

struct Placement {
    const char* name;
    int rate, block;
    const char* notes;
    const char* seconds;
    long long onFrame, offFrame;  // first sounding frame, first silent frame after
};
void PrintTo(const Placement& c, std::ostream* os) { *os << c.name; }  // names tests in ctest

class RenderNotePlacement : public ::testing::TestWithParam<Placement> {};

TEST_P(RenderNotePlacement, NotesSoundFromTheirOnFrameUntilTheirOffFrame) {
    const Placement& p = GetParam();
    ScratchDir dir;
    RunResult result = runRender({fixture("sine"), "--rate", std::to_string(p.rate), "--block",
                                  std::to_string(p.block), "--notes", p.notes, "--seconds", p.seconds,
                                  "-o", dir.path("out.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("frames"), std::string::npos) << result.out;

    Wav wav = readWav(dir.path("out.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.sampleRate, p.rate);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    for (int channel : {0, 1}) {
        EXPECT_EQ(firstNonZero(wav, channel), p.onFrame) << "channel " << channel;
        EXPECT_EQ(lastNonZero(wav, channel), p.offFrame - 1) << "channel " << channel;
    }
}

INSTANTIATE_TEST_SUITE_P(
    , RenderNotePlacement,
    ::testing::Values(Placement{"InsideABlock", 48000, 512, "69:0.25:0.5", "1", 12000, 36000},
                      Placement{"OneFrameBlocks", 44100, 1, "69:0.5:0.1:1", "1", 22050, 26460},
                      Placement{"AtTheVeryStart", 44100, 4096, "69:0:1", "1.5", 0, 44100},
                      Placement{"OddBlockSize", 96000, 333, "69:0.123:0.2", "1", 11808, 31008},
                      // A key struck again as it is released keeps sounding: the note-off
                      // must reach the plug-in before the new note-on in the same frame.
                      Placement{"KeyStruckAgain", 48000, 512, "69:0.5:0.5,69:0:0.5", "1.5", 0, 48000}),
    [](const auto& info) { return std::string(info.param.name); });

struct Length {
    const char* name;
    int rate, block;
    std::vector<std::string> extra;
    long long frames;
};
void PrintTo(const Length& c, std::ostream* os) { *os << c.name; }  // names tests in ctest

class RenderLength : public ::testing::TestWithParam<Length> {};

TEST_P(RenderLength, CoversTheRenderWithFullBlocksThenOneShortOne) {
    const Length& p = GetParam();
    ScratchDir dir;
    std::vector<std::string> args{fixture("sine"), "--rate", std::to_string(p.rate), "--block",
                                  std::to_string(p.block), "-o", dir.path("out.wav")};
    args.insert(args.end(), p.extra.begin(), p.extra.end());
    RunResult result = runRender(args, dir.path("log"));
    ASSERT_EQ(result.exitCode, 0) << result.err;

    Wav wav = readWav(dir.path("out.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.frames, p.frames);

    std::vector<Block> blocks = blocksIn(readLines(dir.path("log")));
    ASSERT_FALSE(blocks.empty());
    long long position = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].samplePos, position) << "block " << i;
        if (i + 1 < blocks.size()) {
            EXPECT_EQ(blocks[i].frames, p.block) << "block " << i;
        }
        EXPECT_GT(blocks[i].frames, 0);
        EXPECT_LE(blocks[i].frames, p.block);
        position += blocks[i].frames;
    }
    EXPECT_EQ(position, p.frames);
}

INSTANTIATE_TEST_SUITE_P(
    , RenderLength,
    ::testing::Values(Length{"ShortLastBlock", 44100, 300, {"--seconds", "0.5"}, 22050},
                      Length{"WholeBlocks", 96000, 64, {"--seconds", "0.01"}, 960},
                      Length{"BlockLongerThanRender", 8000, 65536, {"--seconds", "1"}, 8000},
                      // Without --seconds: the last note's end plus two seconds of tail.
                      Length{"DefaultTail", 22050, 512, {"--notes", "60:0.5:1,64:0:0.25"}, 77175}),
    [](const auto& info) { return std::string(info.param.name); });

// Format 1 at 96 pulses per quarter: a conductor track in 3/4 going from
// 120 to 60 BPM at pulse 192 (1 s), and a note track with A4 from pulse 288
// (2 s under the tempo map, 1.5 s without it) to pulse 384 (3 s).
std::string writeTempoChangeFile(const ScratchDir& dir) {
    smf_t* smf = smf_new();
    EXPECT_EQ(smf_set_ppqn(smf, 96), 0);
    smf_track_t* conductor = smf_track_new();
    smf_track_t* notes = smf_track_new();
    smf_add_track(smf, conductor);
    smf_add_track(smf, notes);

    unsigned char threeFour[] = {0xFF, 0x58, 0x04, 3, 2, 24, 8};
    unsigned char tempo120[] = {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};  // 500000 us per quarter
    unsigned char tempo60[] = {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40};   // 1000000 us per quarter
    smf_track_add_event_pulses(conductor, smf_event_new_from_pointer(threeFour, sizeof threeFour), 0);
    smf_track_add_event_pulses(conductor, smf_event_new_from_pointer(tempo120, sizeof tempo120), 0);
    smf_track_add_event_pulses(conductor, smf_event_new_from_pointer(tempo60, sizeof tempo60), 192);
    smf_track_add_event_pulses(notes, smf_event_new_from_bytes(0x90, 69, 100), 288);
    smf_track_add_event_pulses(notes, smf_event_new_from_bytes(0x80, 69, 64), 384);

    std::string path = dir.path("tempo.mid");
    EXPECT_EQ(smf_save(smf, path.c_str()), 0);
    smf_delete(smf);
    return path;
}

TEST(RenderMidiFile, FollowsTheFileTempoMapForEventsAndTimeInfo) {
    ScratchDir dir;
    std::string midi = writeTempoChangeFile(dir);
    RunResult result = runRender({fixture("sine"), "--midi", midi, "--rate", "48000", "--block", "512",
                                  "-o", dir.path("out.wav")},
                                 dir.path("log"));
    ASSERT_EQ(result.exitCode, 0) << result.err;

    Wav wav = readWav(dir.path("out.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.frames, 5 * 48000);  // the file ends at 3 s, then the tail
    EXPECT_EQ(firstNonZero(wav, 0), 2 * 48000);
    EXPECT_EQ(lastNonZero(wav, 0), 3 * 48000 - 1);

    expectTimeInfo(blocksIn(readLines(dir.path("log"))), 48000, [](double t) {
        double ppq = t < 1.0 ? 2.0 * t : 2.0 + (t - 1.0);
        return Expected{ppq, t < 1.0 ? 120.0 : 60.0, std::floor(ppq / 3.0 + 1e-9) * 3.0, 3, 4};
    });
}

TEST(RenderTimeInfo, ReportsTheTempoGivenOnTheCommandLine) {
    ScratchDir dir;
    RunResult result = runRender({fixture("sine"), "--notes", "60:0:0.5", "--tempo", "140", "--rate",
                                  "44100", "--block", "256", "--seconds", "3", "-o", dir.path("out.wav")},
                                 dir.path("log"));
    ASSERT_EQ(result.exitCode, 0) << result.err;

    expectTimeInfo(blocksIn(readLines(dir.path("log"))), 44100, [](double t) {
        double ppq = t * 140.0 / 60.0;
        return Expected{ppq, 140.0, std::floor(ppq / 4.0 + 1e-9) * 4.0, 4, 4};
    });
}

// The fixture's log without the per-block lines, each run of blocks shown as "blocks".
std::vector<std::string> hostCalls(const std::vector<std::string>& log) {
    std::vector<std::string> calls;
    for (const std::string& line : log) {
        bool perBlock = line.rfind("process ", 0) == 0 || line.rfind("event ", 0) == 0;
        if (!perBlock)
            calls.push_back(line);
        else if (calls.empty() || calls.back() != "blocks")
            calls.push_back("blocks");
    }
    return calls;
}

struct StateCase {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> setUp;  // calls between setting the block size and switching on
};
void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }  // names tests in ctest

class RenderHostCalls : public ::testing::TestWithParam<StateCase> {};

TEST_P(RenderHostCalls, FollowTheHostLifecycle) {
    ScratchDir dir;
    std::vector<std::string> args{fixture("sine"), "--notes", "60:0:0.1", "--seconds", "0.2",
                                  "--chunk", dir.write("state.chunk", "hello"), "-o", dir.path("out.wav")};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    RunResult result = runRender(args, dir.path("log"));
    ASSERT_EQ(result.exitCode, 0) << result.err;

    std::vector<std::string> expected{"hostversion 2400", "open", "samplerate 44100", "blocksize 512"};
    expected.insert(expected.end(), GetParam().setUp.begin(), GetParam().setUp.end());
    expected.insert(expected.end(),
                    {"mains 1", "host rate=44100 block=512 level=4 timeinfo=1 unknown=0 vendor=Quaxel2",
                     "start", "blocks", "stop", "mains 0", "close"});
    EXPECT_EQ(hostCalls(readLines(dir.path("log"))), expected);
}

INSTANTIATE_TEST_SUITE_P(
    , RenderHostCalls,
    ::testing::Values(
        StateCase{"BankChunkBeforeProgram",
                  {"--program", "2", "--param", "1=0.25", "--param", "0=1"},
                  {"chunk 0 5 hello", "program 2", "param 1 0.25", "param 0 1"}},
        StateCase{"ProgramChunkAfterProgram",
                  {"--program-chunk", "--program", "3"},
                  {"program 3", "chunk 1 5 hello"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
