// The program line as a user meets it in quaxel2-editor-host under Xvfb:
// picking a program from the menu and with "next" changes the plug-in's
// program as the host sees it, and the host's own program change shows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "editor-program/layout.h"
#include "tests/e2e-x11/editor_window_fixture.h"

using namespace x11_test;

namespace {

class ProgramStripWindow : public EditorWindow {
protected:
    // "current N NAME" as the host reads its program and name.
    std::string current() {
        host->send("current");
        return host->take("current");
    }
    // The name a host's preset list shows for a program.
    std::string nameOf(int program) {
        host->send("name " + std::to_string(program));
        const std::string line = host->take("name " + std::to_string(program));
        return line.substr(std::min(line.size(), 6 + std::to_string(program).size()));
    }
    void clickStrip(const QRect& inStrip) {
        const QPoint at = layout::kProgramStrip.topLeft() + inStrip.center();
        xdotool(moveTo(at.x(), at.y()) + "click 1 sleep 0.2");
    }
    // The program's number and name as shown, as an image of that part of the window.
    std::string shotOfName(const std::string& image) {
        run("DISPLAY=" + server->display + " import -window " + window + " " + image + " 2>/dev/null");
        return image;
    }
};

TEST_F(ProgramStripWindow, PickingFromTheMenuAndWithNext) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    sleepMs(500);
    ASSERT_EQ(current(), "current 0 " + nameOf(0));
    clickStrip(layout::kProgramMenu);
    xdotool("key Down Down Down Return");  // the third entry
    EXPECT_FALSE(host->take("update", 5000).empty()) << "the host was not told to read the names again";
    EXPECT_EQ(current(), "current 2 " + nameOf(2));
    clickStrip(layout::kProgramNext);
    EXPECT_FALSE(host->take("update", 5000).empty());
    EXPECT_EQ(current(), "current 3 " + nameOf(3));
}

TEST_F(ProgramStripWindow, TheHostsProgramChangeShows) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    sleepMs(500);
    const std::string stem = "/tmp/quaxel2-x11-programs-" + std::to_string(getpid());
    const QRect name = layout::kProgramName.translated(layout::kProgramStrip.topLeft());
    auto changed = [&](const std::string& from, const std::string& to) {
        return differingPixels(from, to, name.x(), name.y(), name.width(), name.height());
    };
    const std::string first = shotOfName(stem + "-0.png");
    ASSERT_GT(distinctColours(first, name.x(), name.y(), name.width(), name.height()), 2) << "no program shown";
    host->send("program 1");
    int difference = 0;
    for (int tries = 0; tries < 50 && (difference = changed(first, shotOfName(stem + "-1.png"))) == 0; tries++) sleepMs(100);
    EXPECT_GT(difference, 0) << "the strip did not follow the host to program 1";
    host->send("program 0");
    for (int tries = 0; tries < 50 && (difference = changed(first, shotOfName(stem + "-2.png"))) != 0; tries++) sleepMs(100);
    EXPECT_EQ(difference, 0) << "back on program 0, the strip does not show what it showed first";
    for (const char* suffix : {"-0.png", "-1.png", "-2.png"}) unlink((stem + suffix).c_str());
}

// Double-click, type, Enter: the host reads the new name.
TEST_F(ProgramStripWindow, RenamingFromTheWindow) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    sleepMs(500);
    const QPoint at = layout::kProgramStrip.topLeft() + layout::kProgramName.center();
    xdotool(moveTo(at.x(), at.y()) + "click --repeat 2 --delay 80 1 sleep 0.3 key ctrl+a type --delay 20 'Night Keys'");
    xdotool("key Return");
    EXPECT_FALSE(host->take("update", 5000).empty());
    EXPECT_EQ(current(), "current 0 Night Keys");
}

}  // namespace
