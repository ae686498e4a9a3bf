#include "editor-program/waveform_display.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "contract/parameter_map.h"
#include "editor-program/layout.h"
#include "editor-program/plugin_link.h"
#include "editor-program/scroll_bar.h"
#include "editor-program/settings.h"
#include "editor-program/shown_instrument.h"
#include "editor-program/status_bar.h"
#include "editor-program/style.h"
#include "editor-program/waveformz.h"

namespace {

constexpr int kMargin = (layout::kWaveformDisplay.width() - Waveformz::kColumns) / 2;
constexpr int kScrollBarTop = 4 + Waveformz::kHeight + 3;
constexpr int kScrollBarHeight = 11;
constexpr int kPollsAnAnswerMayTake = 50;  // a second

}  // namespace

WaveformDisplay::WaveformDisplay(PluginLink& link, const ShownInstrument& shown, QWidget* parent)
    : QWidget(parent), link(link), shown(shown), waveform(new Waveformz(this)), scrollBar(new ScrollBar(this)) {
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(layout::kWaveformDisplay.size());
    waveform->move(kMargin, 4);
    scrollBar->setGeometry(kMargin, kScrollBarTop, Waveformz::kColumns, kScrollBarHeight);

    connect(scrollBar, &ScrollBar::moved, this, [this](int position) { scrollTo(position); });
    connect(waveform, &Waveformz::zoomRequested, this, &WaveformDisplay::zoomBy);
    connect(waveform, &Waveformz::scrollDragStarted, this, [this] {
        if (SampleData* shared = record()) dragOrigin = shared->viewStart;
    });
    connect(waveform, &Waveformz::scrollDragged, this, [this](int pixels) {
        if (SampleData* shared = record())
            scrollTo(dragOrigin - static_cast<int64_t>(std::llround(pixels * shared->framesPerColumn)));
    });
    connect(waveform, &Waveformz::markerMoved, this, &WaveformDisplay::markerMoved);
}

void WaveformDisplay::setStatusBar(StatusBar* bar) {
    status = bar;
    showRecord();
}

void WaveformDisplay::shownChanged() {
    waveform->setMarkersDraggable(shown.markersMovable());
    const int32_t id = shown.id();
    if (id >= 0) {
        request(link.showWaveform(id));
        return;
    }
    waveform->clear();
    showRecord();
}

void WaveformDisplay::request(bool sent) {
    if (!sent) return;
    awaited++;
    pollsAwaiting = 0;
}

SampleData* WaveformDisplay::record() const { return link.sampleRegion(); }

int WaveformDisplay::columns() const {
    const SampleData* shared = record();
    const int count = shared ? shared->columns : 0;
    return count > 0 && count <= SampleData::kMaxColumns ? count : Waveformz::kColumns;
}

int WaveformDisplay::visibleFrames(double framesPerColumn) const {
    const double frames = std::round(columns() * framesPerColumn);
    return frames > 0 ? static_cast<int>(std::min(frames, 2147483647.0)) : 0;
}

void WaveformDisplay::waveformReady() {
    awaited = std::max(awaited - 1, 0);
    if (awaited > 0) return;
    if (const SampleData* shared = record(); shared && shown.id() >= 0) waveform->takeRecord(*shared, true);
    showRecord();
}

void WaveformDisplay::poll() {
    if (awaited > 0 && ++pollsAwaiting < kPollsAnAnswerMayTake) return;
    awaited = 0;
    const SampleData* shared = record();
    if (shared && shown.id() >= 0 && waveform->takeRecord(*shared)) showRecord();
}

// The scroll bar and the status lines, from the picture: they always speak
// of the sample drawn.
void WaveformDisplay::showRecord() {
    const SampleData& picture = waveform->shown();
    scrollBar->setRange(std::max(picture.length, 0), visibleFrames(picture.framesPerColumn), picture.viewStart);
    if (!status) return;
    status->setLoopStart(picture.loopStart);
    status->setLoopEnd(picture.loopEnd);
    status->setZoom(picture.framesPerColumn);
}

void WaveformDisplay::zoomBy(int notches, int aroundColumn) {
    SampleData* shared = record();
    if (!shared || shared->length <= 0 || notches == 0) return;
    const double before = shared->framesPerColumn;
    const double widest = std::max(shared->fullFramesPerColumn, kMinimumFramesPerColumn);
    if (!(before > 0) || !std::isfinite(before) || !std::isfinite(widest)) return;
    const double after = std::clamp(std::ldexp(before, -std::clamp(notches, -64, 64)), kMinimumFramesPerColumn, widest);
    if (after == before) return;

    const int anchor = Settings::flag(Settings::kZoomCentered) ? columns() / 2 : std::clamp(aroundColumn, 0, columns());
    const double anchorFrame = shared->viewStart + anchor * before;
    shared->framesPerColumn = after;
    setViewStart(std::llround(anchorFrame - anchor * after));
    viewChanged();
}

void WaveformDisplay::scrollTo(int64_t frame) {
    if (setViewStart(frame)) viewChanged();
}

bool WaveformDisplay::setViewStart(int64_t frame) {
    SampleData* shared = record();
    if (!shared) return false;
    const int64_t last = std::max<int64_t>(shared->length - visibleFrames(shared->framesPerColumn), 0);
    const int start = static_cast<int>(std::clamp<int64_t>(frame, 0, last));
    if (start == shared->viewStart) return false;
    shared->viewStart = start;
    return true;
}

// Asks for peaks of the new view once per change; the picture follows when
// they arrive.
void WaveformDisplay::viewChanged() {
    request(link.refreshPeaks());
    const SampleData* shared = record();
    if (shared) scrollBar->setRange(std::max(shared->length, 0), visibleFrames(shared->framesPerColumn), shared->viewStart);
    if (status && shared) status->setZoom(shared->framesPerColumn);
}

void WaveformDisplay::markerMoved(int kind, int frame, bool released) {
    const SampleData& picture = waveform->shown();
    const int32_t instrument = shown.id();
    if (instrument < 0 || !shown.markersMovable() || picture.length <= 0) return;
    // With automation the host records the whole movement; without it the
    // marker changes once, where it was dropped.
    const bool automation = Settings::flag(Settings::kEnableLoopAutomation);
    const bool send = automation ? frame != lastSentFrame : released;
    if (send) {
        // The float nearest frame / length, which the plug-in rounds back to
        // the frame for every length up to 2^24.
        const float value = static_cast<float>(frame) / static_cast<float>(picture.length);
        static_cast<void>(link.sendParameter(parameter_map::markerIndex(instrument, kind), value));
        lastSentFrame = frame;
    }
    if (released) lastSentFrame = -1;
    if (!status) return;
    if (kind == 0) status->setLoopStart(frame);
    if (kind == 1) status->setLoopEnd(frame);
}

void WaveformDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style::paintPanel(painter, rect());
}
