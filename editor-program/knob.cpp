#include "editor-program/knob.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "editor-program/style.h"

namespace {

constexpr int kDial = 18;        // dial diameter
constexpr int kTextHeight = 10;  // label line under the dial
constexpr double kStartAngle = 225.0;  // degrees, counter-clockwise from 3 o'clock
constexpr double kSweep = 270.0;

QPointF onCircle(const QPointF& centre, double radius, double degrees) {
    const double radians = degrees * M_PI / 180.0;
    return {centre.x() + radius * std::cos(radians), centre.y() - radius * std::sin(radians)};
}

}  // namespace

Knob::Knob(const QString& label, QWidget* parent) : DragControl(label, parent) {}

QSize Knob::sizeHint() const { return {38, 28}; }

QSize Knob::minimumSizeHint() const { return {kDial + 2, kDial + kTextHeight}; }

void Knob::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const int dialSize = std::max(8, std::min({kDial, height() - kTextHeight, width() - 2}));
    const QRectF dial((width() - dialSize) / 2.0, 0.5, dialSize - 1.0, dialSize - 1.0);
    const QPointF centre = dial.center();
    const double radius = dial.width() / 2.0;

    // Body.
    painter.setPen(QPen(style::kPanelEdge, 1.0));
    painter.setBrush(style::kPanel);
    painter.drawEllipse(dial.adjusted(2.5, 2.5, -2.5, -2.5));

    // Track and value arc (from the mark when there is one inside the range).
    const QRectF arcRect = dial.adjusted(1.0, 1.0, -1.0, -1.0);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(style::kBackground, 2.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(arcRect, static_cast<int>(kStartAngle * 16), static_cast<int>(-kSweep * 16));
    const float mark = markPosition();
    const double from = mark >= 0.0f ? mark : 0.0;
    const double startDegrees = kStartAngle - from * kSweep;
    const double spanDegrees = -(value() - from) * kSweep;
    if (spanDegrees != 0.0) {
        painter.setPen(QPen(style::kAccent, 2.0, Qt::SolidLine, Qt::FlatCap));
        painter.drawArc(arcRect, static_cast<int>(std::lround(startDegrees * 16)),
                        static_cast<int>(std::lround(spanDegrees * 16)));
    }
    if (mark >= 0.0f) {
        painter.setPen(QPen(style::kDimText, 1.0));
        const double degrees = kStartAngle - mark * kSweep;
        painter.drawLine(onCircle(centre, radius - 0.5, degrees), onCircle(centre, radius + 1.0, degrees));
    }

    // Pointer.
    const double pointer = kStartAngle - value() * kSweep;
    painter.setPen(QPen(style::kText, 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(onCircle(centre, radius * 0.2, pointer), onCircle(centre, radius - 3.0, pointer));

    // Label, or the value while it moves.
    painter.setFont(textFont());
    painter.setPen(showingValue() ? style::kAccent : style::kDimText);
    const QRect text(0, dialSize - 1, width(), height() - dialSize + 1);
    painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, shownText());
}

double Knob::dragPixels(const QPointF& from, const QPointF& to) const { return from.y() - to.y(); }

double Knob::dragSpan() const { return kDragSpan; }
