// quaxel2-render turns every kind of bad input into one clear line on stderr
// and a non-zero exit, without crashing and without leaving an output file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "render_harness.h"

using namespace render_test;

namespace {

struct BadInput {
    const char* name;
    std::vector<std::string> args;  // "@/" stands for the scratch directory
    const char* message;            // part of the error line that names the problem
};
void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }  // names tests in ctest

// Every row renders into @/out.wav with the sine fixture unless it names another plug-in.
const BadInput kBadInputs[] = {
    {"MissingPlugin", {"@/absent.so"}, "cannot open plug-in"},
    {"TextFileNamedSo", {"@/text.so"}, "cannot load plug-in"},
    {"NoEntryPoint", {fixture("no_entry")}, "no VSTPluginMain"},
    {"EntryPointReturnsNull", {fixture("null_entry")}, "returned no plug-in"},
    {"WrongMagic", {fixture("bad_magic")}, "without the VST magic"},
    {"GarbageMidiFile", {fixture("sine"), "--midi", "@/garbage.mid"}, "cannot read MIDI file"},
    {"MissingMidiFile", {fixture("sine"), "--midi", "@/absent.mid"}, "cannot read MIDI file"},
    {"NoteListMissingDuration", {fixture("sine"), "--notes", "60:0:1,64:0.5"}, "item 2"},
    {"NoteAbove127", {fixture("sine"), "--notes", "128:0:1"}, "note must be"},
    {"NoteNotANumber", {fixture("sine"), "--notes", "C4:0:1"}, "note must be"},
    {"NegativeStart", {fixture("sine"), "--notes", "60:-1:1"}, "start must be"},
    {"ZeroDuration", {fixture("sine"), "--notes", "60:0:0"}, "duration must be"},
    {"VelocityZero", {fixture("sine"), "--notes", "60:0:1:0"}, "velocity must be"},
    {"VelocityAbove127", {fixture("sine"), "--notes", "60:0:1:128"}, "velocity must be"},
    {"ZeroRate", {fixture("sine"), "--rate", "0"}, "--rate"},
    {"NegativeRate", {fixture("sine"), "--rate", "-44100"}, "--rate"},
    {"RateNotANumber", {fixture("sine"), "--rate", "fast"}, "--rate"},
    {"ZeroBlock", {fixture("sine"), "--block", "0"}, "--block"},
    {"NegativeBlock", {fixture("sine"), "--block", "-5"}, "--block"},
    {"ZeroSeconds", {fixture("sine"), "--seconds", "0"}, "--seconds"},
    {"ParamValueAboveOne", {fixture("sine"), "--param", "0=1.5"}, "--param"},
    {"ParamIndexBeyondPlugin", {fixture("sine"), "--param", "2=0.5"}, "has 2 parameters"},
    {"ProgramBeyondPlugin", {fixture("sine"), "--program", "4"}, "has 4 programs"},
    {"MissingChunkFile", {fixture("sine"), "--chunk", "@/absent.chunk"}, "cannot read chunk file"},
    {"UnknownOption", {fixture("sine"), "--frobnicate"}, "unknown option"},
    {"MidiAndNotesTogether", {fixture("sine"), "--midi", "@/garbage.mid", "--notes", "60:0:1"}, "cannot be combined"},
};

class RenderBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(RenderBadInput, FailsWithOneLineNamingTheProblem) {
    ScratchDir dir;
    dir.write("text.so", "this is a text file, not a shared object\n");
    const char garbage[] = "\x01\x7f garbage \xff\x00 bytes";
    dir.write("garbage.mid", std::string(garbage, sizeof garbage - 1));

    std::vector<std::string> args;
    for (std::string arg : GetParam().args) {
        if (arg.rfind("@/", 0) == 0) arg = dir.path(arg.substr(2));
        args.push_back(arg);
    }
    args.insert(args.end(), {"-o", dir.path("out.wav")});

    RunResult result = runRender(args);
    ASSERT_TRUE(result.exited) << "killed by a signal; stderr: " << result.err;
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(result.err.back(), '\n');
    EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav")));
}

INSTANTIATE_TEST_SUITE_P(, RenderBadInput, ::testing::ValuesIn(kBadInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RenderCommandLine, OutputThatCannotBeWrittenIsReported) {
    ScratchDir dir;
    RunResult result = runRender({fixture("sine"), "--seconds", "0.1", "-o", dir.path("no/such/dir/out.wav")});
    ASSERT_TRUE(result.exited);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
}

TEST(RenderCommandLine, HelpNeedsNoOtherArguments) {
    RunResult result = runRender({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("Usage: quaxel2-render"), std::string::npos);
    EXPECT_NE(result.out.find("--notes"), std::string::npos);
}

}  // namespace
