#include "editor-program/vumeter.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "editor-program/style.h"

namespace {

// The bar position 0..1 of a linear peak.
float positionOf(float peak) {
    if (!(peak > 0.0f)) return 0.0f;  // also NaN
    const float db = 20.0f * std::log10(peak);
    return std::clamp(1.0f + db / Vumeter::kRangeDb, 0.0f, 1.0f);
}

}  // namespace

Vumeter::Vumeter(Qt::Orientation orientation, QWidget* parent) : QWidget(parent), orientation_(orientation) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    clock_.start();
}

QSize Vumeter::sizeHint() const { return {6, 48}; }

QSize Vumeter::minimumSizeHint() const { return {3, 10}; }

void Vumeter::setLevel(float peak) {
    if (std::isnan(peak) || peak < 0.0f) peak = 0.0f;
    const float seconds = static_cast<float>(clock_.restart()) / 1000.0f;
    const float fallen = std::max(0.0f, position_ - kFallPerSecond * seconds);
    const float position = positionOf(peak);
    if (position >= fallen) {
        position_ = position;
        level_ = peak;
    } else {
        position_ = fallen;
        level_ = fallen > 0.0f ? std::pow(10.0f, (fallen - 1.0f) * kRangeDb / 20.0f) : 0.0f;
    }
    const int pixels = barPixels(position_);
    if (pixels == pixels_) return;
    pixels_ = pixels;
    update();
}

float Vumeter::level() const { return level_; }

int Vumeter::barPixels(float position) const {
    const int inner = std::max(0, length() - 2);
    return static_cast<int>(std::lround(position * static_cast<float>(inner)));
}

void Vumeter::resizeEvent(QResizeEvent*) {
    QLinearGradient ramp = orientation_ == Qt::Vertical ? QLinearGradient(0, height() - 1, 0, 1)
                                                        : QLinearGradient(1, 0, width() - 1, 0);
    ramp.setColorAt(0.0, style::kMeterLow);
    ramp.setColorAt(0.7, style::kMeterLow);
    ramp.setColorAt(1.0, style::kMeterHigh);
    gradient_ = QBrush(ramp);
    pixels_ = barPixels(position_);
}

void Vumeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style::paintPanel(painter, rect(), style::kBackground);
    if (pixels_ <= 0) return;
    if (orientation_ == Qt::Vertical) painter.fillRect(QRect(1, height() - 1 - pixels_, width() - 2, pixels_), gradient_);
    else painter.fillRect(QRect(1, 1, pixels_, height() - 2), gradient_);
}
