#include "editor-program/time_ruler.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "contract/sample_data.h"
#include "editor-program/style.h"
#include "editor-program/time_text.h"

namespace {

constexpr int kLabelPixels = 9;

// Decimals that show every multiple of `step` exactly.
int decimalsOf(double step) {
    int decimals = 0;
    while (decimals < 6 && std::abs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-6)
        decimals++;
    return decimals;
}

}  // namespace

TimeRuler::TimeRuler(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

void TimeRuler::setView(const SampleData& picture, bool mirror) {
    length = std::max(picture.length, 0);
    rate = picture.sampleRate;
    columns = std::clamp(picture.columns, 0, SampleData::kMaxColumns);
    viewStart = picture.viewStart;
    framesPerColumn = picture.framesPerColumn;
    mirrored = mirror;
    update();
}

double TimeRuler::labelStep(double pixelsPerSecond) {
    // 1, 2 and 5 times a power of ten below ten seconds; then steps that
    // fall on minutes.
    static constexpr double kLong[] = {10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 14400, 28800};
    for (double decade = 1e-6; decade < 10; decade *= 10)
        for (double multiple : {1.0, 2.0, 5.0})
            if (multiple * decade * pixelsPerSecond >= kLabelSpacing) return multiple * decade;
    for (double step : kLong)
        if (step * pixelsPerSecond >= kLabelSpacing) return step;
    return kLong[std::size(kLong) - 1] * 2;
}

std::vector<TimeRuler::Tick> TimeRuler::ticks() const {
    std::vector<Tick> all;
    if (length <= 0 || rate <= 0 || !(framesPerColumn > 0) || !std::isfinite(framesPerColumn)) return all;
    const double step = labelStep(rate / framesPerColumn);
    const int decimals = decimalsOf(step);
    // The seconds shown: the view, within the sample.
    const double first = std::max(viewStart, 0.0) / rate;
    const double last = std::min(viewStart + columns * framesPerColumn, static_cast<double>(length)) / rate;
    const double half = step / 2;  // an unlabelled tick halfway
    for (long i = static_cast<long>(std::ceil(first / half - 1e-9)); i * half <= last + 1e-12; i++) {
        const double seconds = i * half;
        const double column = (seconds * rate - viewStart) / framesPerColumn;
        all.push_back({mirrored ? columns - column : column, i % 2 == 0 ? time_text::seconds(seconds, decimals) : QString()});
    }
    return all;
}

void TimeRuler::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), style::kPanel);
    QFont font = painter.font();
    font.setPixelSize(kLabelPixels);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    painter.setPen(style::kDimText);
    for (const Tick& tick : ticks()) {
        const int x = static_cast<int>(std::lround(std::min(tick.x, width() - 1.0)));
        if (tick.label.isEmpty()) {
            painter.drawLine(x, 0, x, 1);
            continue;
        }
        painter.drawLine(x, 0, x, 3);
        // Right of its tick, or left of it at the ruler's right end.
        const int textWidth = metrics.horizontalAdvance(tick.label) + 1;
        const int left = x + 2 + textWidth <= width() ? x + 2 : x - 2 - textWidth;
        if (left >= 0) painter.drawText(QRect(left, 1, textWidth, height() - 1), Qt::AlignLeft | Qt::AlignVCenter, tick.label);
    }
}
