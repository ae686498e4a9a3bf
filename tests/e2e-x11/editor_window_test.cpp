// The editor as a user meets it: quaxel2-editor-host on an X server, the
// editor program embedded in the host's window, the mouse moved by xdotool.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "editor-program/layout.h"
#include "tests/e2e-x11/editor_window_fixture.h"

using namespace x11_test;

namespace {

TEST_F(EditorWindow, NotesSentByTheHostRender) {
    sleepMs(300);
    host->ask("peak");
    sleepMs(300);
    EXPECT_EQ(host->ask("peak"), 0.0) << "sound before any note";
    host->send("note 60 100");
    sleepMs(300);
    EXPECT_GT(host->ask("peak"), 0.0);
    host->send("off 60");
}

TEST_F(EditorWindow, EditorFillsTheHostWindow) {
    EXPECT_TRUE(editorEmbeddedIn(window)) << "no 820x505+0+0 child in the host window " << window;
    const std::string info = run("DISPLAY=" + server->display + " xwininfo -id " + window);
    EXPECT_NE(info.find("Width: 820"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: 505"), std::string::npos) << info;
    EXPECT_EQ(host->editorPrograms().size(), 1u);
}

TEST_F(EditorWindow, DraggingTheVolumeKnobAutomatesParameterZero) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    const double before = host->ask("param 0");
    const QPoint knob = layout::kInstrumentArea.topLeft() + layout::instrumentControlRect(0).center();
    // Up raises the value, down lowers it: go where there is room.
    const int step = before > 0.5 ? 10 : -10;
    std::string drag = moveTo(knob.x(), knob.y()) + "mousedown 1 sleep 0.1 ";
    for (int i = 1; i <= 6; i++) drag += moveTo(knob.x(), knob.y() + i * step);
    xdotool(drag + "sleep 0.1 mouseup 1");
    std::string automated = host->take("automate 0", 5000);
    ASSERT_FALSE(automated.empty()) << "no automation of parameter 0 reached the host";
    for (std::string next; !(next = host->take("automate 0", 500)).empty();) automated = next;
    const double after = host->ask("param 0");
    EXPECT_NEAR(std::stod(automated.substr(11)), after, 1e-5) << "the last automation is not the value it left";
    EXPECT_NE(after, before);
    if (step < 0) EXPECT_GT(after, before);
    else EXPECT_LT(after, before);
}

TEST_F(EditorWindow, ClickingAKeyPlaysANote) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    sleepMs(300);
    host->ask("peak");
    sleepMs(300);
    EXPECT_EQ(host->ask("peak"), 0.0) << "sound before any key was pressed";
    // Middle C, low on its white key where no black key covers it.
    const QRect keys = layout::kKeyboard;
    const int whiteKey = 14;
    const int x = keys.left() + (2 * whiteKey + 1) * keys.width() / (2 * layout::kKeyboardWhiteKeys);
    xdotool(moveTo(x, keys.bottom() - 8) + "mousedown 1 sleep 0.4");
    const double peak = host->ask("peak");
    xdotool("mouseup 1");
    EXPECT_GT(peak, 0.0) << "the key at x " << x << " played nothing";
}

// The host's notes light their keys, and a reopened editor shows the notes
// held then: one let go and one struck while it was closed included.
TEST_F(EditorWindow, KeysShowTheNotesHeldWhenTheEditorShows) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    const std::string image = "/tmp/quaxel2-x11-keys-" + std::to_string(getpid()) + ".png";
    // Middle C and the white keys after it, low where no black key covers them.
    auto keyColours = [&] {
        run("DISPLAY=" + server->display + " import -window " + window + " " + image + " 2>/dev/null");
        std::string colours;
        for (int whiteKey : {14, 15, 16}) {
            const int x = layout::kKeyboard.left() +
                          (2 * whiteKey + 1) * layout::kKeyboard.width() / (2 * layout::kKeyboardWhiteKeys);
            colours += (colours.empty() ? "" : " ") + pixelColour(image, x, layout::kKeyboard.bottom() - 8);
        }
        return colours;
    };
    const std::string lit = "F0A030", dark = "C4C8CE";
    // Polled: the program shows a change some tens of milliseconds after it.
    auto shown = [&](const std::string& wanted) {
        std::string colours;
        for (int tries = 0; tries < 50 && (colours = keyColours()) != wanted; tries++) sleepMs(100);
        return colours;
    };
    ASSERT_EQ(shown(dark + " " + dark + " " + dark), dark + " " + dark + " " + dark);
    host->send("note 60 100");
    host->send("note 62 100");
    EXPECT_EQ(shown(lit + " " + lit + " " + dark), lit + " " + lit + " " + dark);

    host->send("close");
    host->send("off 60");
    host->send("note 64 90");
    sleepMs(200);  // the host's audio thread plays them while the editor is closed
    host->send("open");
    window = windowOf(host->take("window"));
    ASSERT_TRUE(editorEmbeddedIn(window));
    EXPECT_EQ(shown(dark + " " + lit + " " + lit), dark + " " + lit + " " + lit);
    host->send("off 62");
    host->send("off 64");
    EXPECT_EQ(shown(dark + " " + dark + " " + dark), dark + " " + dark + " " + dark);
    unlink(image.c_str());
}

// Closed and opened again at once, over and over: the program may hear of
// the new window before X tells it that the old one is gone.
TEST_F(EditorWindow, ReopeningEmbedsTheSameProgram) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    const std::vector<pid_t> first = host->editorPrograms();
    ASSERT_EQ(first.size(), 1u);
    std::string shown = window;
    for (int reopening = 0; reopening < 6; reopening++) {
        host->send("close");
        host->send("open");
        const std::string reopened = windowOf(host->take("window"));
        ASSERT_FALSE(reopened.empty());
        EXPECT_NE(reopened, shown) << "close did not destroy the window";
        ASSERT_TRUE(editorEmbeddedIn(reopened)) << "the editor did not come back in window " << reopened
                                                << " at reopening " << reopening;
        shown = reopened;
    }
    EXPECT_EQ(host->editorPrograms(), first) << "a second program was started instead of the first re-embedded";
}

TEST_F(EditorWindow, ScreenshotShowsTheWholeEditor) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    sleepMs(500);  // first paint
    const std::string image = "/tmp/quaxel2-x11-test-" + std::to_string(getpid()) + ".png";
    run("DISPLAY=" + server->display + " import -window " + window + " " + image + " 2>/dev/null");
    const int whole = distinctColours(image, 0, 0, layout::kWidth, layout::kHeight);
    // The host's own window is one colour; the editor has to cover it to
    // its right and bottom edges.
    const int rightEdge = distinctColours(image, layout::kWidth - 6, 0, 6, layout::kHeight);
    const int bottomEdge = distinctColours(image, 0, layout::kHeight - 6, layout::kWidth, 6);
    unlink(image.c_str());
    EXPECT_GT(whole, 16) << "blank or nearly blank screenshot";
    EXPECT_GT(rightEdge, 1) << "nothing drawn at the right edge: the editor is cut off or too small";
    EXPECT_GT(bottomEdge, 1) << "nothing drawn at the bottom edge: the editor is cut off or too small";
}

TEST_F(EditorWindow, QuitEndsTheEditorProgram) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    const std::vector<pid_t> programs = host->editorPrograms();
    ASSERT_EQ(programs.size(), 1u);
    host->send("quit");
    EXPECT_EQ(host->exitStatus(5000), 0);
    sleepMs(2000);
    EXPECT_FALSE(alive(programs[0])) << "the editor program outlived the plug-in";
}

// What a window manager sends when the user closes the window.
TEST_F(EditorWindow, ClosingFromTheDesktopEndsEverything) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    const std::vector<pid_t> programs = host->editorPrograms();
    ASSERT_EQ(programs.size(), 1u);
    ASSERT_TRUE(askToClose(server->display, window));
    EXPECT_EQ(host->exitStatus(5000), 0);
    sleepMs(2000);
    EXPECT_FALSE(alive(programs[0])) << "the editor program outlived the window";
}

}  // namespace
