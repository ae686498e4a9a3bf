// The instrument on show, as a user meets it in the real window: after a
// program change, a removal, a clone and a marker drag, the waveform panel
// and the status texts show the instrument whose row is highlighted, and
// marker drags move that instrument's markers. The truth for a picture is
// the picture after clicking the instrument's row, which asks for its
// waveform afresh.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "editor-program/dark_look.h"
#include "editor-program/layout.h"
#include "editor-program/status_bar.h"
#include "editor-program/waveform_display.h"
#include "editor-program/waveformz.h"
#include "tests/e2e-x11/editor_window_fixture.h"

using namespace x11_test;

namespace {

constexpr int kRowPitch = layout::kInstrumentRowHeight + 2;
// The picture's top left corner in the window, and its columns.
constexpr int kWaveformLeft = layout::kWaveformDisplay.left() + (layout::kWaveformDisplay.width() - Waveformz::kColumns) / 2;
constexpr int kWaveformTop = layout::kWaveformDisplay.top() + WaveformDisplay::kWaveformTop;
constexpr int kColumns = Waveformz::kColumns;

class ShownInstrumentWindow : public EditorWindow {
protected:
    // Pixels that differ in the waveform panel, the envelope picture and the status texts.
    static int panelDifference(const std::string& a, const std::string& b) {
        const QRect panel = layout::kWaveformDisplay.united(layout::kStatusBar);
        return differingPixels(a, b, panel.x(), panel.y(), panel.width(), panel.height());
    }
    // The editor shows a change some polls after the plug-in made it.
    static void settle() { sleepMs(700); }

    QPoint rowName(int row) const {
        return layout::kInstrumentArea.topLeft() + QPoint(2 + layout::kRowNameWidth / 3, 2 + row * kRowPitch + 30);
    }
    void click(QPoint at) { xdotool(moveTo(at.x(), at.y()) + "click 1"); }
    // Opens a row's menu and takes the entry `ups` up from its end: 1 is
    // "remove", 3 is "clone".
    void menuEntry(int row, int ups) {
        const QPoint at = rowName(row);
        std::string keys = moveTo(at.x(), at.y()) + "click 3 sleep 0.4 ";
        for (int i = 0; i < ups; i++) keys += "key Up sleep 0.05 ";
        xdotool(keys + "key Return");
    }
    // Drags with the left button from one window point to another.
    void drag(QPoint from, QPoint to) {
        std::string moves = moveTo(from.x(), from.y()) + "mousedown 1 sleep 0.1 ";
        for (int step = 1; step <= 5; step++)
            moves += moveTo(from.x() + (to.x() - from.x()) * step / 5, from.y() + (to.y() - from.y()) * step / 5);
        xdotool(moves + "sleep 0.1 mouseup 1");
    }
    // Where a marker at `value` (a fraction of the sample) stands while the
    // whole sample is shown.
    static int columnOf(double value) { return static_cast<int>(std::lround(value * kColumns)); }
    static QPoint startHandle(double value) { return {kWaveformLeft + columnOf(value), kWaveformTop + Waveformz::kHeight - 3}; }
    static QPoint loopStartHandle(double value) { return {kWaveformLeft + columnOf(value) + 2, kWaveformTop + 3}; }
    static QPoint loopEndHandle(double value) { return {kWaveformLeft + columnOf(value) - 2, kWaveformTop + 3}; }
    double marker(int instrument, int kind) { return host->ask("param " + std::to_string(640 + 4 * instrument + kind)); }

    // The status texts as the editor draws them for markers at `frames` of a
    // sample of `length` frames at `rate` Hz, shown whole: drawn here by the
    // editor's own status widget on Qt's offscreen platform, into a picture
    // of the window's size, saved as a file that lives as long as the test.
    std::string statusPicture(int rate, int length, const int (&frames)[3]) {
        static int argc = 3;
        static char name[] = "x11-tests", option[] = "-platform", platform[] = "offscreen";
        static char* argv[] = {name, option, platform, nullptr};
        static QApplication* application = [] {
            auto* made = new QApplication(argc, argv);
            applyDarkLook(*made);
            return made;
        }();
        static_cast<void>(application);
        StatusBar status;
        status.setFixedSize(layout::kStatusBar.size());
        status.setSampleRate(rate);
        for (int kind = 0; kind < 3; kind++) status.setMarker(kind, frames[kind]);
        const double whole = static_cast<double>(length) / kColumns;
        status.setZoom(whole, whole);
        QImage picture(layout::kWidth, layout::kHeight, QImage::Format_RGB32);
        picture.fill(Qt::black);
        QPainter painter(&picture);
        status.render(&painter, layout::kStatusBar.topLeft());
        painter.end();
        const std::string file = newImage();
        picture.save(QString::fromStdString(file));
        return file;
    }
};

// Program 0 begins with an electric piano, program 1 with a grand piano.
TEST_F(ShownInstrumentWindow, AProgramChangeShowsTheNewProgramsSound) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    settle();
    const std::string before = grab();
    host->send("program 1");
    settle();
    const std::string changed = grab();
    click(rowName(0));
    settle();
    const std::string clicked = grab();
    EXPECT_GT(panelDifference(before, clicked), 0) << "the two programs' first sounds look alike: choose others";
    EXPECT_EQ(panelDifference(changed, clicked), 0) << "after the program change the panel showed another sound";
}

// Program 0 holds two instruments: the electric piano and a warm pad.
TEST_F(ShownInstrumentWindow, ARemovalKeepsThePanelOnTheInstrumentOnShow) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    settle();
    const std::string piano = grab();
    click(rowName(1));
    settle();
    const std::string pad = grab();
    ASSERT_GT(panelDifference(piano, pad), 0) << "clicking the second row did not show its sound";

    // The piano goes; the pad moves up to id 0 and stays on show.
    menuEntry(0, 1);
    settle();
    EXPECT_EQ(marker(1, 2), 0.0) << "the piano was not removed";
    EXPECT_EQ(panelDifference(grab(), pad), 0) << "the panel left the pad";
    const double start = marker(0, 2);
    drag(startHandle(start), {kWaveformLeft + 200, startHandle(start).y()});
    settle();
    EXPECT_NEAR(marker(0, 2), 200.0 / kColumns, 2.0 / kColumns) << "the drag did not move the pad's start";

    // Then the pad itself goes: nothing is left to show.
    menuEntry(0, 1);
    settle();
    const std::string empty = grab();
    EXPECT_GT(panelDifference(empty, pad), 0) << "the removed pad is still shown";
}

// A clone is shown: a drag moves its markers, not the original's.
TEST_F(ShownInstrumentWindow, ACloneIsShownAndItsMarkersMove) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    host->send("program 1");
    settle();
    menuEntry(0, 3);
    settle();
    const double original = marker(0, 2), cloned = marker(1, 2);
    drag(startHandle(cloned), {kWaveformLeft + 150, startHandle(cloned).y()});
    settle();
    EXPECT_NEAR(marker(1, 2), 150.0 / kColumns, 2.0 / kColumns) << "the clone's start did not move";
    EXPECT_EQ(marker(0, 2), original) << "the original's start moved";
}

// Loop start cannot pass loop end, and it can be taken by its own flag
// while the start marker stands on the same frame.
TEST_F(ShownInstrumentWindow, LoopStartStopsBeforeLoopEnd) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    host->send("program 1");
    settle();
    const double start = marker(0, 2);
    drag(loopEndHandle(marker(0, 1)), {kWaveformLeft + 200, kWaveformTop + 3});
    settle();
    const double loopEnd = marker(0, 1);
    ASSERT_NEAR(loopEnd, 200.0 / kColumns, 2.0 / kColumns) << "the loop end did not move";

    const QPoint from = loopStartHandle(marker(0, 0));
    xdotool(moveTo(from.x(), from.y()) + "mousedown 1 sleep 0.1 " + moveTo(kWaveformLeft + 250, from.y()) +
            moveTo(kWaveformLeft + 300, from.y()) + "sleep 0.2");
    const std::string held = grab();
    xdotool("mouseup 1");
    settle();
    const double loopStart = marker(0, 0);
    EXPECT_LT(loopStart, loopEnd);
    EXPECT_NEAR(loopStart, loopEnd, 2.0 / kColumns) << "the loop start did not follow the drag up to the loop end";
    EXPECT_EQ(marker(0, 2), start) << "the start marker took the drag";
    // While held, the flag stood at the loop end, not under the mouse.
    const int flags = distinctColours(held, kWaveformLeft + 296, kWaveformTop, 9, 10);
    EXPECT_EQ(flags, 1) << "a marker was drawn under the mouse, past the loop end";
}

// A marker dragged in the window shows its place in seconds: the status
// texts read as the editor's status widget draws them for the markers'
// frames at the sample's rate, not in frames.
TEST_F(ShownInstrumentWindow, AMarkerShowsItsPlaceInSeconds) {
    constexpr int kPianoFrames = 64859, kPianoRate = 44100;  // program 0's first sound
    ASSERT_TRUE(editorEmbeddedIn(window));
    settle();
    drag(startHandle(marker(0, 2)), {kWaveformLeft + 120, startHandle(0).y()});
    settle();
    int frames[3];
    for (int kind = 0; kind < 3; kind++) frames[kind] = static_cast<int>(std::lround(marker(0, kind) * kPianoFrames));
    ASSERT_GT(frames[2], 0) << "the drag did not move the start";
    const std::string shown = grab();
    const QRect texts = layout::kStatusBar;
    const std::string inSeconds = statusPicture(kPianoRate, kPianoFrames, frames);
    const std::string inFrames = statusPicture(0, kPianoFrames, frames);
    ASSERT_GT(differingPixels(inSeconds, inFrames, texts.x(), texts.y(), texts.width(), texts.height()), 0);
    EXPECT_EQ(differingPixels(shown, inSeconds, texts.x(), texts.y(), texts.width(), texts.height()), 0)
        << "the status texts are not the markers' times (start at frame " << frames[2] << ")";
}

}  // namespace
