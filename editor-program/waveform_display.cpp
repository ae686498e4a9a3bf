#include "editor-program/waveform_display.h"

#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "contract/instrument_data.h"
#include "contract/parameter_map.h"
#include "editor-program/layout.h"
#include "editor-program/plugin_link.h"
#include "editor-program/scroll_bar.h"
#include "editor-program/settings.h"
#include "editor-program/shown_instrument.h"
#include "editor-program/status_bar.h"
#include "editor-program/style.h"
#include "editor-program/time_ruler.h"
#include "editor-program/time_text.h"
#include "editor-program/waveformz.h"

namespace {

// Top to bottom: the name line, the picture, the ruler, the scroll bar.
constexpr int kMargin = (layout::kWaveformDisplay.width() - Waveformz::kColumns) / 2;
constexpr int kNameHeight = WaveformDisplay::kWaveformTop - 2;
constexpr int kRulerTop = WaveformDisplay::kWaveformTop + Waveformz::kHeight;
constexpr int kRulerHeight = 11;
constexpr int kScrollBarTop = kRulerTop + kRulerHeight + 1;
constexpr int kScrollBarHeight = 10;
static_assert(kScrollBarTop + kScrollBarHeight + 2 <= layout::kWaveformDisplay.height());
constexpr int kPollsAnAnswerMayTake = 50;  // a second

QLabel* textLine(QWidget* parent, const QColor& colour, Qt::Alignment alignment) {
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setPixelSize(style::kFontPixels);
    label->setFont(font);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setStyleSheet(QString("color: %1;").arg(colour.name()));
    return label;
}

// "44.1 kHz", "48 kHz".
QString rateText(int rate) { return QString::number(rate / 1000.0, 'g', 4) + " kHz"; }

}  // namespace

WaveformDisplay::WaveformDisplay(PluginLink& link, const ShownInstrument& shown, QWidget* parent)
    : QWidget(parent),
      link(link),
      shown(shown),
      name(textLine(this, style::kText, Qt::AlignLeft)),
      about(textLine(this, style::kDimText, Qt::AlignRight)),
      waveform(new Waveformz(this)),
      ruler(new TimeRuler(this)),
      scrollBar(new ScrollBar(this)) {
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(layout::kWaveformDisplay.size());
    name->move(kMargin, 1);
    waveform->move(kMargin, kWaveformTop);
    ruler->setGeometry(kMargin, kRulerTop, Waveformz::kColumns, kRulerHeight);
    scrollBar->setGeometry(kMargin, kScrollBarTop, Waveformz::kColumns, kScrollBarHeight);

    // Mirrored, the bar runs from the sample's end on the left.
    connect(scrollBar, &ScrollBar::moved, this, [this](int position) {
        const SampleData* shared = record();
        if (!shared || !waveform->mirrored()) return scrollTo(position);
        scrollTo(std::max<int64_t>(shared->length - visibleFrames(shared->framesPerColumn), 0) - position);
    });
    connect(waveform, &Waveformz::zoomRequested, this, &WaveformDisplay::zoomBy);
    connect(waveform, &Waveformz::scrollDragStarted, this, [this] {
        if (SampleData* shared = record()) dragOrigin = shared->viewStart;
    });
    connect(waveform, &Waveformz::scrollDragged, this, [this](int pixels) {
        if (SampleData* shared = record()) {
            const int64_t frames = std::llround(pixels * shared->framesPerColumn);
            scrollTo(waveform->mirrored() ? dragOrigin + frames : dragOrigin - frames);
        }
    });
    connect(waveform, &Waveformz::markerMoved, this, &WaveformDisplay::markerMoved);
}

void WaveformDisplay::setStatusBar(StatusBar* bar) {
    status = bar;
    showRecord();
}

void WaveformDisplay::shownChanged() {
    waveform->setMarkersDraggable(shown.markersMovable());
    followReverse();
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
    followReverse();
    if (const SampleData* shared = record(); shared && shown.id() >= 0) waveform->takeRecord(*shared, true);
    showRecord();
}

bool WaveformDisplay::followReverse() {
    const InstrumentData* instrument = shown.id() >= 0 ? shown.record() : nullptr;
    const float reverse =
        instrument ? readShared(instrument->parameterRecord[parameter_map::instrument::kReverse].value) : 0.0f;
    const bool reversed = reverse > 0.5f;  // as the instrument reads its switch
    if (reversed == waveform->mirrored()) return false;
    waveform->setMirrored(reversed);
    return true;
}

void WaveformDisplay::poll() {
    if (followReverse()) showRecord();
    if (awaited > 0 && ++pollsAwaiting < kPollsAnAnswerMayTake) return;
    awaited = 0;
    const SampleData* shared = record();
    if (shared && shown.id() >= 0 && waveform->takeRecord(*shared)) showRecord();
}

// The name line, the ruler, the scroll bar and the status lines, from the
// picture: they always speak of the sample drawn.
void WaveformDisplay::showRecord() {
    const SampleData& picture = waveform->shown();
    showView(picture);
    ruler->setView(picture, waveform->mirrored());
    // What the sample is takes the room it needs; the name what is left.
    about->setText(sampleText());
    const int aboutWidth = about->fontMetrics().horizontalAdvance(about->text()) + 2;
    about->setGeometry(kMargin + Waveformz::kColumns - aboutWidth, 1, aboutWidth, kNameHeight);
    name->resize(std::max(Waveformz::kColumns - aboutWidth - 8, 0), kNameHeight);
    const QString full = nameText();
    name->setText(name->fontMetrics().elidedText(full, Qt::ElideRight, name->width()));
    name->setToolTip(full);
    if (!status) return;
    status->setSampleRate(picture.sampleRate);
    status->setMarker(0, picture.loopStart);
    status->setMarker(1, picture.loopEnd);
    status->setMarker(2, picture.startPlay);
    status->setZoom(picture.framesPerColumn, picture.fullFramesPerColumn);
}

void WaveformDisplay::showView(const SampleData& view) {
    const int total = std::max(view.length, 0), page = visibleFrames(view.framesPerColumn);
    const int position = waveform->mirrored() ? std::max(total - page, 0) - view.viewStart : view.viewStart;
    scrollBar->setRange(total, page, position);
}

QString WaveformDisplay::nameText() const {
    const InstrumentData* instrument = shown.id() >= 0 ? shown.record() : nullptr;
    if (!instrument) return {};
    return QString::fromUtf8(instrument->name, static_cast<int>(strnlen(instrument->name, sizeof instrument->name)));
}

// "stereo, 48 kHz, 2.345 s, reversed".
QString WaveformDisplay::sampleText() const {
    const SampleData& picture = waveform->shown();
    if (shown.id() < 0 || picture.length <= 0) return {};
    QStringList parts{picture.channels == 2 ? "stereo" : "mono"};
    if (picture.sampleRate > 0) parts << rateText(picture.sampleRate);
    parts << time_text::ofFrame(picture.length, picture.sampleRate);
    if (waveform->mirrored()) parts << "reversed";
    return parts.join(", ");
}

void WaveformDisplay::zoomBy(int notches, int aroundColumn) {
    SampleData* shared = record();
    if (!shared || shared->length <= 0 || notches == 0) return;
    const double before = shared->framesPerColumn;
    const double widest = std::max(shared->fullFramesPerColumn, kMinimumFramesPerColumn);
    if (!(before > 0) || !std::isfinite(before) || !std::isfinite(widest)) return;
    // Whole powers of 1.25 are exact, so a step in and a step out undo one another.
    const int steps = std::min(std::abs(notches), 64);
    const double scaled = notches > 0 ? before / std::pow(kZoomStep, steps) : before * std::pow(kZoomStep, steps);
    const double after = std::clamp(scaled, kMinimumFramesPerColumn, widest);
    if (after == before) return;

    const int anchor = Settings::flag(Settings::kZoomCentered) ? columns() / 2 : std::clamp(aroundColumn, 0, columns());
    // The record's views run forward; a mirrored picture's column c is its column n - c.
    const int recordColumn = waveform->mirrored() ? columns() - anchor : anchor;
    const double anchorFrame = shared->viewStart + recordColumn * before;
    shared->framesPerColumn = after;
    setViewStart(std::llround(anchorFrame - recordColumn * after));
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
    if (shared) showView(*shared);
    if (status && shared) status->setZoom(shared->framesPerColumn, shared->fullFramesPerColumn);
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
    if (status) status->setMarker(kind, frame);
}

void WaveformDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style::paintPanel(painter, rect());
}
