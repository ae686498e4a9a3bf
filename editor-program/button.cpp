#include "editor-program/button.h"

#include <QMouseEvent>
#include <QPainter>

#include "editor-program/style.h"

Button::Button(const QString& label, QWidget* parent) : Control(label, parent) { setHints(1, 0, 0); }

QSize Button::sizeHint() const { return {38, 18}; }

QSize Button::minimumSizeHint() const { return {16, 14}; }

void Button::setOnAtHalf(bool onAtHalf) {
    if (onAtHalf == onAtHalf_) return;
    onAtHalf_ = onAtHalf;
    update();
}

bool Button::isOn() const { return onAtHalf_ ? value() >= 0.5f : value() > 0.5f; }

void Button::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool lit = isOn();
    const QRectF body = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    painter.setPen(QPen(lit ? style::kAccent : style::kPanelEdge, 1.0));
    painter.setBrush(lit ? style::kAccentDim : style::kPanel);
    painter.drawRoundedRect(body, 3.0, 3.0);
    painter.setFont(textFont());
    painter.setPen(lit ? style::kText : style::kDimText);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, shownLabel());
}

void Button::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    changeByUser(isOn() ? 0.0f : 1.0f);
}
