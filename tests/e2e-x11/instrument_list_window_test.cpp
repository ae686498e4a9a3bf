// The instrument list as a user meets it in the real window: a sound added
// from the browser becomes the highlighted row and is scrolled into view,
// the wheel over a knob scrolls the list (Ctrl + wheel turns the knob), and
// two rows of one sound read differently. Where each row shows is read from
// the screen: every row paints a stripe down its left edge, in the accent
// colour on the highlighted row.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "contract/parameter_map.h"
#include "editor-program/layout.h"
#include "editor-program/style.h"
#include "tests/e2e-x11/editor_window_fixture.h"

using namespace x11_test;

namespace {

// The browser's rows at the test's font (96 dpi): its header, then one row
// per entry; entry 0 is the first category ("stabs"), 1 on its sounds once
// it is open.
constexpr int kBrowserHeader = 18;
constexpr int kBrowserEntry = 13;
constexpr int kChordStabEbm = 1, kHouseStabDm7 = 2, kEchoStabAbm = 3, kSusStabF = 10;

constexpr QRect kList = layout::kInstrumentArea;
constexpr int kListMargin = 2;  // above the first row
// A column through every row's stripe, and where a row's volume knob and
// name stand within the row.
constexpr int kStripeX = kList.left() + kListMargin;
constexpr QPoint kVolumeKnob = layout::instrumentControlRect(parameter_map::instrument::kVolume).center();
constexpr QRect kRowName{3, 1, layout::kRowNameWidth - 20, 22};  // under the top edge, left of the meter

// One row's stripe in the list's viewport: from `top` (viewport pixels)
// down `length` pixels, fewer than a row's height where the row is cut.
struct Stripe {
    int top = 0;
    int length = 0;
    bool highlighted = false;
    bool whole() const { return length == layout::kInstrumentRowHeight; }
};

bool sameColour(const unsigned char* rgb, const QColor& colour) {
    return rgb[0] == colour.red() && rgb[1] == colour.green() && rgb[2] == colour.blue();
}

class InstrumentListWindow : public EditorWindow {
protected:
    std::string crop(const std::string& image, const QRect& part) {
        const std::string cut = newImage();
        run("convert '" + image + "' -crop " + std::to_string(part.width()) + "x" + std::to_string(part.height()) + "+" +
            std::to_string(part.x()) + "+" + std::to_string(part.y()) + " +repage '" + cut + "' 2>/dev/null");
        return cut;
    }

    // The rows' stripes from the top of the list to its bottom.
    static std::vector<Stripe> stripes(const std::string& image) {
        const std::string rgb = run("convert '" + image + "' -crop 1x" + std::to_string(kList.height()) + "+" +
                                    std::to_string(kStripeX) + "+" + std::to_string(kList.top()) +
                                    " +repage -depth 8 rgb:- 2>/dev/null");
        std::vector<Stripe> found;
        bool inStripe = false;
        for (int y = 0; 3 * y + 2 < static_cast<int>(rgb.size()); y++) {
            const auto* pixel = reinterpret_cast<const unsigned char*>(rgb.data() + 3 * y);
            const bool highlighted = sameColour(pixel, style::kAccent);
            if (!highlighted && !sameColour(pixel, style::kPanelEdge)) {
                inStripe = false;
                continue;
            }
            if (!inStripe || found.back().highlighted != highlighted) found.push_back({y, 0, highlighted});
            inStripe = true;
            found.back().length++;
        }
        return found;
    }
    // Whether the highlighted row is the list's last and shows whole.
    static bool lastRowHighlightedWhole(const std::vector<Stripe>& rows) {
        return !rows.empty() && rows.back().highlighted && rows.back().whole();
    }
    // Pixels that differ in the waveform panel.
    static int panelDifference(const std::string& a, const std::string& b) {
        const QRect panel = layout::kWaveformDisplay;
        return differingPixels(a, b, panel.x(), panel.y(), panel.width(), panel.height());
    }
    // Whether the first row shows whole at the top: the list is scrolled to its top.
    static bool atTop(const std::vector<Stripe>& rows) {
        return !rows.empty() && rows.front().whole() && rows.front().top == kListMargin;
    }

    // Asks `condition` every 100 ms until it holds or `ms` pass; whether it held.
    template <class Condition>
    static bool within(int ms, Condition condition) {
        for (int waited = 0;; waited += 100) {
            if (condition()) return true;
            if (waited >= ms) return false;
            sleepMs(100);
        }
    }

    void doubleClickBrowser(int entry) {
        const int y = layout::kBrowser.top() + kBrowserHeader + entry * kBrowserEntry + kBrowserEntry / 2;
        // Apart from the last click, so that no two double-clicks run together.
        xdotool("sleep 0.5 " + moveTo(100, y) + "click --repeat 2 --delay 80 1");
    }
    double parameter(int index) { return host->ask("param " + std::to_string(index)); }
    // Whether an instrument fills rack position `slot`: its loop ends past its start.
    bool holds(int slot) {
        return parameter(parameter_map::markerIndex(slot, parameter_map::marker::kLoopEnd)) > 0.0;
    }
    // Double-clicks a sound of the open category and waits for the plug-in
    // to hold it at `slot`.
    void add(int entry, int slot) {
        doubleClickBrowser(entry);
        ASSERT_TRUE(within(5000, [&] { return holds(slot); })) << "browser entry " << entry << " did not load";
    }
    // Drops the automation lines the host printed so far.
    void forgetAutomation() {
        while (!host->take("automate", 200).empty()) {
        }
    }

};

// Program 0 holds two instruments; three more overflow the list.
TEST_F(InstrumentListWindow, AnAddedSoundIsHighlightedAndScrolledIntoView) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    doubleClickBrowser(0);
    int slot = 2;
    for (const int entry : {kChordStabEbm, kHouseStabDm7, kEchoStabAbm}) {
        SCOPED_TRACE("browser entry " + std::to_string(entry));
        const std::string before = grab();
        ASSERT_NO_FATAL_FAILURE(add(entry, slot++));
        std::string after;
        within(3000, [&] {
            after = grab();
            return lastRowHighlightedWhole(stripes(after)) && panelDifference(before, after) > 0;
        });
        const std::vector<Stripe> rows = stripes(after);
        ASSERT_FALSE(rows.empty()) << "no rows in the list";
        EXPECT_TRUE(rows.back().highlighted) << "the new row, the last, is not the highlighted one";
        EXPECT_TRUE(rows.back().whole()) << "the new row shows " << rows.back().length << " of its "
                                         << layout::kInstrumentRowHeight << " pixels";
        EXPECT_GT(panelDifference(before, after), 0) << "the waveform panel still shows the sound it showed before";
    }
    const std::vector<Stripe> rows = stripes(grab());
    EXPECT_TRUE(!rows.empty() && !rows.front().whole()) << "the list does not overflow: the scrolling went untried";
}

TEST_F(InstrumentListWindow, TheWheelScrollsTheListOverAKnobAndCtrlWheelTurnsIt) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    doubleClickBrowser(0);
    for (int slot = 2; slot < 5; slot++) ASSERT_NO_FATAL_FAILURE(add(kChordStabEbm, slot));
    std::string bottom;
    ASSERT_TRUE(within(3000, [&] { return lastRowHighlightedWhole(stripes(bottom = grab())); }))
        << "the list did not scroll to the last row";
    ASSERT_FALSE(atTop(stripes(bottom))) << "the list does not overflow";

    // The wheel up over the last row's volume knob: the list scrolls to its
    // top, no parameter moves.
    const int lastVolume = parameter_map::instrumentIndex(4, parameter_map::instrument::kVolume);
    const double volume = parameter(lastVolume);
    forgetAutomation();
    const QPoint knob = QPoint(kStripeX, kList.top() + stripes(bottom).back().top) + kVolumeKnob;
    xdotool(moveTo(knob.x(), knob.y()) + "click 4");
    std::string top;
    const bool scrolled = within(2000, [&] { return atTop(stripes(top = grab())); });
    EXPECT_EQ(host->take("automate", 500), "") << "the wheel changed a parameter";
    EXPECT_EQ(parameter(lastVolume), volume) << "the knob under the wheel turned";
    ASSERT_TRUE(scrolled) << "the wheel did not scroll the list to its top";

    // Ctrl + wheel down over the first row's volume knob turns it, and the
    // list stays where it is.
    const std::vector<Stripe> rows = stripes(top);
    const int firstVolume = parameter_map::instrumentIndex(0, parameter_map::instrument::kVolume);
    const double before = parameter(firstVolume);
    ASSERT_GT(before, 0.0) << "no room to turn the volume down";
    const QPoint first = QPoint(kStripeX, kList.top() + rows.front().top) + kVolumeKnob;
    xdotool(moveTo(first.x(), first.y()) + "keydown ctrl click 5 keyup ctrl");
    EXPECT_TRUE(within(2000, [&] { return parameter(firstVolume) < before; })) << "Ctrl + wheel did not turn the knob";
    EXPECT_TRUE(atTop(stripes(grab()))) << "Ctrl + wheel scrolled the list";
}

// The same sound twice: the rows' names must read differently, a short
// name as well as one too long for its place.
TEST_F(InstrumentListWindow, TwoRowsOfOneSoundReadDifferently) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    doubleClickBrowser(0);
    // Program 0 holds two instruments, program 1 one.
    const struct {
        int program;
        int entry;
        const char* sound;
    } cases[] = {{0, kSusStabF, "Sus Stab F"}, {1, kChordStabEbm, "Chord Stab Ebm"}};
    for (const auto& sound : cases) {
        SCOPED_TRACE(sound.sound);
        host->send("program " + std::to_string(sound.program));
        int first = 0;
        while (first < parameter_map::kInstruments - 2 && holds(first)) first++;
        ASSERT_NO_FATAL_FAILURE(add(sound.entry, first));
        ASSERT_NO_FATAL_FAILURE(add(sound.entry, first + 1));
        std::string image;
        within(3000, [&] { return lastRowHighlightedWhole(stripes(image = grab())); });
        const std::vector<Stripe> rows = stripes(image);
        ASSERT_GE(rows.size(), 2u);
        const Stripe& upper = rows[rows.size() - 2];
        ASSERT_TRUE(upper.whole() && rows.back().whole()) << "the two rows do not both show";
        const QPoint listCorner(kStripeX, kList.top());
        const std::string one = crop(image, kRowName.translated(listCorner + QPoint(0, upper.top)));
        const std::string two = crop(image, kRowName.translated(listCorner + QPoint(0, rows.back().top)));
        EXPECT_GT(differingPixels(one, two, 0, 0, kRowName.width(), kRowName.height()), 0)
            << "both rows show the same name";
    }
}

}  // namespace
