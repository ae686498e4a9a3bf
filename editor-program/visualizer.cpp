#include "editor-program/visualizer.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "contract/instrument_data.h"
#include "editor-program/layout.h"
#include "editor-program/shown_instrument.h"
#include "editor-program/style.h"
#include "programs/parameter.h"

namespace {

// The same times the instrument uses, in seconds.
struct Times {
    double volA, volD, volS, volR, pitchA, pitchD, pitchR, depth;
};

Times timesOf(const std::array<float, 8>& p) {
    return {1.5 * p[0], 4.0 * p[1], p[2],       3.75 * p[3] + 0.25,
            2.0 * p[4], 8.0 * p[5], 4.0 * p[6], (p[7] - 0.5) * 2.0};  // -1 .. 1 around the middle
}

constexpr double kSustainShare = 0.2;  // of the width, for the held note

}  // namespace

Visualizer::Visualizer(const ShownInstrument& shown, QWidget* parent) : QWidget(parent), instrument(shown) {
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(layout::kVisualizer.size());
}

Visualizer::Envelope Visualizer::read() const {
    Envelope values{};
    const InstrumentData* record = instrument.record();
    if (!record) return values;
    // As the sound takes them: within 0 .. 1, NaN as 0 (and so comparable).
    for (int i = 0; i < kCount; i++) values[i] = normalised(record->parameterRecord[kFirst + i].value);
    return values;
}

void Visualizer::shownChanged() {
    drawn = read();
    update();
}

void Visualizer::poll() {
    const Envelope now = read();
    if (now == drawn) return;
    drawn = now;
    update();
}

void Visualizer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style::paintPanel(painter, rect());
    if (!instrument.record()) return;

    const Times t = timesOf(drawn);
    const QRectF area = QRectF(rect()).adjusted(6, 6, -6, -6);
    const double moving = std::max({t.volA + t.volD + t.volR, t.pitchA + t.pitchD + t.pitchR, 0.01});
    const double perSecond = area.width() * (1.0 - kSustainShare) / moving;
    const double held = area.width() * kSustainShare;
    auto x = [&](double seconds, bool released) { return area.left() + seconds * perSecond + (released ? held : 0.0); };
    painter.setRenderHint(QPainter::Antialiasing);

    // Volume: from silence to full over A, down to S over D, held, to silence over R.
    const double top = area.top(), bottom = area.bottom();
    auto level = [&](double v) { return bottom - v * (bottom - top); };
    QPainterPath volume(QPointF(x(0, false), bottom));
    volume.lineTo(x(t.volA, false), top);
    volume.lineTo(x(t.volA + t.volD, false), level(t.volS));
    volume.lineTo(x(t.volA + t.volD, true), level(t.volS));
    volume.lineTo(x(t.volA + t.volD + t.volR, true), bottom);
    painter.setPen(QPen(style::kAccent, 1.5));
    painter.drawPath(volume);

    // Pitch: from the note's pitch to the depth over A and back over D; a
    // release only shows when the note was let go before the decay ended,
    // so it is drawn from the middle as the instrument holds it.
    const double middle = area.center().y();
    const double depth = middle - t.depth * (area.height() / 2);
    QPainterPath pitch(QPointF(x(0, false), middle));
    pitch.lineTo(x(t.pitchA, false), depth);
    pitch.lineTo(x(t.pitchA + t.pitchD, false), middle);
    pitch.lineTo(x(t.pitchA + t.pitchD + t.pitchR, true), middle);
    painter.setPen(QPen(style::kLoopMarker, 1.0, Qt::DashLine));
    painter.drawPath(pitch);

    QFont font = painter.font();
    font.setPixelSize(style::kFontPixels);
    painter.setFont(font);
    painter.setPen(style::kDimText);
    painter.drawText(area, Qt::AlignRight | Qt::AlignTop, "vol");
    painter.setPen(style::kLoopMarker);
    painter.drawText(area, Qt::AlignRight | Qt::AlignBottom, "pitch");
}
