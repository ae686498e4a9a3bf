// The editor at the larger window sizes, in a host that follows
// audioMasterSizeWindow: the host is asked for the scaled size,
// effEditGetRect answers it, and the embedded window fills it to its edges.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "contract/window_size.h"
#include "editor-program/layout.h"
#include "tests/e2e-x11/editor_window_fixture.h"

using namespace x11_test;

namespace {

std::string sizeText(int percent, const char* between) {
    return std::to_string(window_size::scaled(window_size::kWidth, percent)) + between +
           std::to_string(window_size::scaled(window_size::kHeight, percent));
}

class WindowSize : public EditorWindow, public testing::WithParamInterface<int> {
protected:
    void prepare(const std::string& file) override {
        run("mkdir -p \"$(dirname '" + file + "')\"");
        std::ofstream(file) << "[editor]\nwindowScale=" << startPercent() << "\n";
    }
    virtual int startPercent() { return GetParam(); }

    // The host's window: its size and the editor's rectangle as the host
    // reads them.
    std::string hostWindowSize() {
        std::istringstream info(run("DISPLAY=" + server->display + " xwininfo -id " + window));
        std::string line, width, height;
        while (std::getline(info, line)) {
            if (line.find("  Width: ") == 0) width = line.substr(9);
            if (line.find("  Height: ") == 0) height = line.substr(10);
        }
        return width + "x" + height;
    }
    std::string rectangle() {
        host->send("rect");
        const std::string line = host->take("rect");
        return line.empty() ? "" : line.substr(5);
    }

    // Whether the picture reaches the window's right and bottom edges.
    void expectDrawnToTheEdges(int percent) {
        const int width = window_size::scaled(window_size::kWidth, percent);
        const int height = window_size::scaled(window_size::kHeight, percent);
        sleepMs(500);  // first paint
        const std::string image = grab();
        const int rightEdge = distinctColours(image, width - 6, 0, 6, height);
        const int bottomEdge = distinctColours(image, 0, height - 6, width, 6);
        EXPECT_GT(rightEdge, 1) << "nothing drawn at the right edge at " << percent << " %";
        EXPECT_GT(bottomEdge, 1) << "nothing drawn at the bottom edge at " << percent << " %";
    }
};

TEST_P(WindowSize, TheHostWindowAndTheEditorTakeTheScaledSize) {
    const int percent = GetParam();
    EXPECT_EQ(host->take("size", 10000), "size " + sizeText(percent, " ")) << "the host was not asked to resize";
    ASSERT_TRUE(editorEmbeddedIn(window, sizeText(percent, "x") + "+0+0"));
    EXPECT_EQ(hostWindowSize(), sizeText(percent, "x"));
    EXPECT_EQ(rectangle(), sizeText(percent, " "));
    expectDrawnToTheEdges(percent);

    // Opened again, the host sizes its new window from the rectangle.
    host->send("close");
    host->send("open");
    window = windowOf(host->take("window"));
    ASSERT_TRUE(editorEmbeddedIn(window, sizeText(percent, "x") + "+0+0"));
    EXPECT_EQ(hostWindowSize(), sizeText(percent, "x"));
}

INSTANTIATE_TEST_SUITE_P(Sizes, WindowSize, testing::Values(150, 200),
                         [](const testing::TestParamInfo<int>& size) { return std::to_string(size.param); });

// Chosen in the settings, a size takes effect at once: the same program
// starts again in the same window, drawn at the new size.
class ChosenWindowSize : public WindowSize {
protected:
    int startPercent() override { return 100; }
};

TEST_F(ChosenWindowSize, TheSettingsResizeTheOpenEditor) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    const std::vector<pid_t> programs = host->editorPrograms();
    const QPoint logo = layout::kLogo.center();
    xdotool(moveTo(logo.x(), logo.y()) + "click 1");
    std::string dialog;
    for (int tries = 0; tries < 50 && dialog.empty(); tries++, sleepMs(100)) {
        dialog = run("DISPLAY=" + server->display + " xdotool search --name '^Quaxel2 settings$' 2>/dev/null");
        dialog = dialog.substr(0, dialog.find('\n'));
    }
    ASSERT_FALSE(dialog.empty()) << "the settings did not open";
    // The size is the dialog's one field that takes the keyboard: 100 % to 150 %.
    xdotool("windowfocus --sync " + dialog + " key Down");

    EXPECT_EQ(host->take("size", 10000), "size " + sizeText(150, " "));
    EXPECT_TRUE(editorEmbeddedIn(window, sizeText(150, "x") + "+0+0"));
    EXPECT_EQ(rectangle(), sizeText(150, " "));
    EXPECT_EQ(host->editorPrograms(), programs) << "the program did not start again in its own process";
    std::ifstream settings(configHome + "/Quaxel2/UIQuaxel2VST.conf");
    const std::string saved((std::istreambuf_iterator<char>(settings)), std::istreambuf_iterator<char>());
    EXPECT_NE(saved.find("windowScale=150"), std::string::npos) << saved;
}

// With no size set, the editor takes the desktop's scale, which X desktops
// publish as Xft.dpi (this test's own X server).
class DesktopWindowSize : public EditorWindow {
protected:
    void prepare(const std::string&) override {
        run("DISPLAY=" + server->display + " xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER 'Xft.dpi:\t144\n'");
    }
};

TEST_F(DesktopWindowSize, FollowsTheDesktopsScale) {
    EXPECT_EQ(host->take("size", 10000), "size " + sizeText(150, " "));
    EXPECT_TRUE(editorEmbeddedIn(window, sizeText(150, "x") + "+0+0"));
}

}  // namespace
