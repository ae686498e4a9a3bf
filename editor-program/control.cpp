#include "editor-program/control.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "editor-program/style.h"

namespace {

float clampValue(float value) {
    if (std::isnan(value)) return 0.0f;
    return std::clamp(value, 0.0f, 1.0f);
}

constexpr int kNotch = 120;           // angle delta of one wheel notch
constexpr int kWheelShowMs = 800;     // how long a wheel change shows the value

}  // namespace

Control::Control(const QString& label, QWidget* parent) : QWidget(parent), label_(label) {
    setFocusPolicy(Qt::NoFocus);
    font_ = font();
    font_.setPixelSize(style::kFontPixels);
    setFont(font_);
    shownLabel_ = label_;
    wheelShow_.setSingleShot(true);
    wheelShow_.setInterval(kWheelShowMs);
    connect(&wheelShow_, &QTimer::timeout, this, [this] {
        if (!dragging_ && !hovered_) setShowingValue(false);
    });
    refreshText();
}

float Control::value() const { return value_; }

void Control::setValue(float value) {
    value = clampValue(value);
    if (value == value_) return;
    value_ = value;
    refreshText();
    update();
}

void Control::setDefaultValue(float value) { default_ = clampValue(value); }

void Control::setHints(int steps, int offset, int mark) {
    steps_ = std::max(steps, 0);
    offset_ = offset;
    mark_ = mark;
    refreshText();
    update();
}

void Control::setFormatter(Formatter formatter) {
    formatter_ = std::move(formatter);
    refreshText();
    update();
}

QString Control::valueText() const {
    if (formatter_) return formatter_(value_);
    // Without steps the value shows in percent.
    const int scale = steps_ > 0 ? steps_ : 100;
    return QString::number(static_cast<long long>(std::lround(value_ * scale)) + offset_);
}

QString Control::label() const { return label_; }

void Control::setDescription(const QString& description) {
    description_ = description;
    refreshText();
}

void Control::changeByUser(float value) {
    if (std::isnan(value)) return;
    value = clampValue(value);
    if (steps_ > 0) value = static_cast<float>(std::round(value * steps_)) / static_cast<float>(steps_);
    if (value == value_) return;
    value_ = value;
    refreshText();
    update();
    emit valueChanged(value_);
}

bool Control::showingValue() const { return showing_; }

void Control::setShowingValue(bool showing) {
    if (showing == showing_) return;
    showing_ = showing;
    update();
}

void Control::beginDrag() {
    dragging_ = true;
    dragRaw_ = value_;
    wheelShow_.stop();
    setShowingValue(true);
}

void Control::dragBy(double pixels, double span, Qt::KeyboardModifiers modifiers) {
    if (!dragging_ || span <= 0) return;
    if (modifiers & Qt::ShiftModifier) span *= 10;
    dragRaw_ = std::clamp(dragRaw_ + pixels / span, 0.0, 1.0);
    changeByUser(static_cast<float>(dragRaw_));
}

void Control::endDrag() {
    dragging_ = false;
    setShowingValue(hovered_);
}

void Control::setHovered(bool hovered) {
    hovered_ = hovered;
    if (!dragging_ && !wheelShow_.isActive()) setShowingValue(hovered);
}

void Control::wheelBy(QWheelEvent* event) {
    // Some systems turn Shift + wheel into a horizontal wheel.
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    if (delta == 0) return;
    const bool fine = event->modifiers() & Qt::ShiftModifier;
    if (steps_ > 0 && steps_ <= 100) {
        // Whole steps only: partial notches add up.
        wheelRemainder_ += delta;
        const int notches = wheelRemainder_ / kNotch;
        if (notches == 0) return;
        wheelRemainder_ -= notches * kNotch;
        changeByUser(value_ + static_cast<float>(notches) / static_cast<float>(steps_));
    } else {
        // Shift: a thousandth, but never less than one of many steps.
        const float step = !fine ? 0.01f : steps_ > 0 ? 1.0f / static_cast<float>(steps_) : 0.001f;
        changeByUser(value_ + step * static_cast<float>(delta) / kNotch);
    }
    if (!dragging_) {
        setShowingValue(true);
        wheelShow_.start();
    }
}

void Control::resizeEvent(QResizeEvent*) {
    shownLabel_ = QFontMetrics(font_).elidedText(label_, Qt::ElideRight, width());
}

float Control::markPosition() const {
    if (steps_ <= 0) return -1.0f;
    const float position = static_cast<float>(mark_ - offset_) / static_cast<float>(steps_);
    return position > 0.0f && position < 1.0f ? position : -1.0f;
}

void Control::refreshText() {
    valueText_ = valueText();
    const QString now = label_ + QStringLiteral(": ") + valueText_;
    setToolTip(description_.isEmpty() ? now : description_ + QStringLiteral("\n") + now);
}

void DragControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    lastPosition_ = event->position();
    beginDrag();
}

void DragControl::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPointF position = event->position();
    dragBy(dragPixels(lastPosition_, position), dragSpan(), event->modifiers());
    lastPosition_ = position;
}

void DragControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) endDrag();
}

void DragControl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) returnToDefault();
}

void DragControl::wheelEvent(QWheelEvent* event) {
    if (!dragging() && !(event->modifiers() & kWheelModifier)) {
        event->ignore();
        return;
    }
    wheelBy(event);
    event->accept();
}

void DragControl::enterEvent(QEnterEvent*) { setHovered(true); }

void DragControl::leaveEvent(QEvent*) { setHovered(false); }
