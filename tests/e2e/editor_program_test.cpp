// The editor program as the plug-in runs it: started from the image that
// quaxel2.so carries, with the host's window and the instance number, and
// spoken to through the real FIFOs and shared memory.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "editor_harness.h"

namespace {

using namespace editor_test;
using Bytes = std::vector<unsigned char>;

void settle(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

TEST(EditorProgram, TheSharedObjectCarriesTheProgramOfTheSameBuild) {
    // The build embeds a stripped copy of the program it linked.
    std::ifstream built(QUAXEL2_BINARY_DIR "/editor-program/image/UIQuaxel2VST.image", std::ios::binary);
    const Bytes program((std::istreambuf_iterator<char>(built)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(program.empty());
    EXPECT_TRUE(embeddedImage() == program);
}

TEST(EditorProgram, HandlesThePluginsMessagesUntilQuit) {
    PluginSide plugin(uniqueInstance(0), PluginSide::fullRegions);
    plugin.setSlotId(2, 7);
    EditorProcess editor(plugin.writeExecutable(), {"255", std::to_string(plugin.instance)});
    ASSERT_EQ(editor.nextLine(), "Quaxel2UI > trying to create embed X11 widget");
    ASSERT_EQ(editor.nextLine(), "Quaxel2UI > embed into window 255");
    settle(100);
    // At start-up the program tells its window size, then the window asks
    // for its first instrument's waveform and for the programs.
    EXPECT_EQ(plugin.received(), (std::vector<unsigned char>{0x17, 100, 0, 0, 0, 0x10, 7, 0, 0, 0, 0x16}));

    plugin.send({0x05,                                                  // reload
                 0x01, 0x03, 0, 0, 0, 0, 0, 0, 0x3F,                    // parameter 3 = 0.5
                 0x02, 7, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c', 0,        // instrument 7, in slot 2
                 0x02, 8, 0, 0, 0, 2, 0, 0, 0, 'z', 'z', 0,             // instrument 8, in no slot
                 0x04, 0x90, 0x3C, 0x64,                                // note on 60, velocity 100
                 0x10,                                                  // waveform ready
                 0x14, 5, 0, 0, 0, 3, 0, 0, 0, 'P', 'a', 'd', 0,        // program 5 is named Pad
                 0x15, 5, 0, 0, 0,                                      // program 5 is current
                 0x16, 0, 0, 0, 0, 0, 0, 0x80, 0x3F,                    // output level 0, 1
                 0x06, 4, 0, 0, 0, '4', '2', '4', '2', 0});             // re-attach to window 4242
    for (const char* line : {"reload", "parameter 3 = 0.5", "instrument 7 added: abc",
                             "instrument 8 added: zz (no record)", "midi 144 60 100", "waveform ready",
                             "program 5 named Pad", "program 5", "embed into window 4242"})
        EXPECT_EQ(editor.nextLine(), std::string("Quaxel2UI > ") + line);
    settle(100);
    // Besides waveform requests (0x10 and an id below 0x16), the re-attached
    // window asks for the programs again.
    const Bytes asked = plugin.received();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 0x16), 1);

    // A message cut between two polls.
    plugin.send({0x01, 0xBC, 0x02});
    settle(60);
    plugin.send({0, 0, 0, 0, 0x80, 0x3E});
    EXPECT_EQ(editor.nextLine(), "Quaxel2UI > parameter 700 = 0.25");

    // An opcode the plug-in never sends drops the rest of its read only.
    plugin.send({0x03, 0x05});
    EXPECT_EQ(editor.nextLine(), "Quaxel2UI > processMessageFromPlugin : unhandled opcode");
    plugin.send({0x05});
    EXPECT_EQ(editor.nextLine(), "Quaxel2UI > reload");

    plugin.send({0x07, 0x00, 0x05});
    EXPECT_EQ(editor.nextLine(), "Quaxel2UI > terminating QApplication");
    EXPECT_EQ(editor.exitStatus(1000), 0);
    EXPECT_EQ(editor.nextLine(), "<end>");
}

TEST(EditorProgram, ReportsWhatItCannotOpenAndCarriesOnUntilTerminated) {
    struct Case {
        bool pluginExists;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {false,
         {"ERROR can't open UI FIFO", "ERROR can't open Plugin FIFO", "error can't open plugin shared memory",
          "error can't open sample shared memory"}},
        // FIFOs, and regions that were never sized.
        {true,
         {"error can't allocate / read plugin shared memory", "error can't allocate / read sample shared memory"}},
    };
    int k = 1;
    for (const Case& c : cases) {
        PluginSide plugin(uniqueInstance(k++), PluginSide::emptyRegions);
        const std::string path = plugin.writeExecutable();
        const int instance = c.pluginExists ? plugin.instance : uniqueInstance(3);
        EditorProcess editor(path, {"1", std::to_string(instance)});
        for (const std::string& line : c.lines) EXPECT_EQ(editor.nextLine(), "Quaxel2UI > " + line);
        EXPECT_EQ(editor.nextLine(), "Quaxel2UI > trying to create embed X11 widget");
        EXPECT_EQ(editor.nextLine(), "Quaxel2UI > embed into window 1");
        settle(60);
        EXPECT_EQ(editor.exitStatus(0), -1);
        kill(editor.pid, SIGTERM);
        EXPECT_EQ(editor.nextLine(), "Quaxel2UI > terminating on signal 15");
        EXPECT_EQ(editor.exitStatus(1000), 0);
    }
}

TEST(EditorProgram, WithoutAReachableDisplayEndsWithOneLine) {
    PluginSide plugin(uniqueInstance(0), PluginSide::fullRegions);
    const std::string path = plugin.writeExecutable();
    const std::string platform = std::getenv("QT_QPA_PLATFORM");
    const char* display = std::getenv("DISPLAY");
    const std::string desktop = display ? display : "";
    unsetenv("QT_QPA_PLATFORM");
    setenv("DISPLAY", ":4095", 1);  // no server there
    EditorProcess editor(path, {"255", std::to_string(plugin.instance)});
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    if (display) setenv("DISPLAY", desktop.c_str(), 1); else unsetenv("DISPLAY");
    EXPECT_EQ(editor.nextLine(),
              "Quaxel2UI > error can't reach the X display \":4095\": the editor window needs X11");
    EXPECT_EQ(editor.exitStatus(2000), 1);
    EXPECT_EQ(editor.nextLine(), "<end>");
}

TEST(EditorProgram, RefusesABadCommandLine) {
    PluginSide plugin(uniqueInstance(0), PluginSide::fullRegions);
    const std::string path = plugin.writeExecutable();
    const std::vector<std::string> cases[] = {
        {}, {"255"}, {"255", "0", "extra"}, {"ff", "0"}, {"255", "-1"}, {"255", "2147483648"}, {"", "0"}};
    for (const auto& args : cases) {
        EditorProcess editor(path, args);
        EXPECT_EQ(editor.nextLine(), "Quaxel2UI > usage: UIQuaxel2VST WINDOW INSTANCE (both decimal)");
        EXPECT_EQ(editor.exitStatus(2000), 2);
    }
}

TEST(EditorProgram, EndsWithinASecondWhenTheHostProcessDies) {
    PluginSide plugin(uniqueInstance(0), PluginSide::fullRegions);
    // Orphans come to this process, which can then reap the editor program.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    {
        EditorProcess editor(plugin.writeExecutable(), {"255", std::to_string(plugin.instance)},
                             EditorProcess::throughIntermediate);
        ASSERT_GT(editor.pid, 0);
        ASSERT_EQ(editor.nextLine(), "Quaxel2UI > trying to create embed X11 widget");
        ASSERT_EQ(editor.nextLine(), "Quaxel2UI > embed into window 255");
        settle(50);
        EXPECT_EQ(editor.exitStatus(0), -1);

        editor.killParent();  // as kill -9 would end a host
        EXPECT_EQ(editor.exitStatus(1000), 0);
        EXPECT_EQ(editor.nextLine(), "Quaxel2UI > plugin process is gone, terminating");
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

}  // namespace
