#include "editor-program/slider.h"

#include <QPainter>
#include <algorithm>

#include "editor-program/style.h"

namespace {

constexpr int kTextHeight = 11;  // label line under the bar
constexpr int kBarHeight = 8;

}  // namespace

Slider::Slider(const QString& label, QWidget* parent) : DragControl(label, parent) {}

QSize Slider::sizeHint() const { return {38, 28}; }

QSize Slider::minimumSizeHint() const { return {16, kBarHeight + kTextHeight + 2}; }

QRectF Slider::track() const {
    const int top = std::max(1, (height() - kTextHeight - kBarHeight) / 2);
    return QRectF(2.5, top + 0.5, std::max(1, width() - 5), kBarHeight - 1);
}

void Slider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF bar = track();
    painter.setPen(QPen(style::kPanelEdge, 1.0));
    painter.setBrush(style::kBackground);
    painter.drawRoundedRect(bar, 2.0, 2.0);

    // The filled part, from the mark when there is one inside the range.
    const float mark = markPosition();
    const double from = mark >= 0.0f ? mark : 0.0;
    const QRectF inner = bar.adjusted(1.5, 1.5, -1.5, -1.5);
    const double a = inner.left() + from * inner.width();
    const double b = inner.left() + value() * inner.width();
    if (a != b) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(style::kAccent);
        painter.drawRect(QRectF(QPointF(std::min(a, b), inner.top()), QPointF(std::max(a, b), inner.bottom())));
    }
    if (mark >= 0.0f) {
        painter.setPen(QPen(style::kDimText, 1.0));
        painter.drawLine(QPointF(a, bar.top() - 1.5), QPointF(a, bar.top() + 1.5));
    }

    painter.setFont(textFont());
    painter.setPen(showingValue() ? style::kAccent : style::kDimText);
    const QRect text(0, height() - kTextHeight - 1, width(), kTextHeight + 1);
    painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, shownText());
}

double Slider::dragPixels(const QPointF& from, const QPointF& to) const { return to.x() - from.x(); }

double Slider::dragSpan() const { return track().width(); }
