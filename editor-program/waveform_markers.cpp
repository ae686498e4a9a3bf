#include "editor-program/waveform_markers.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

#include "editor-program/style.h"

namespace {

constexpr int kLine = Marker::kWidth / 2;
constexpr int kHandle = 7;
constexpr int kGrabHeight = 12;  // a little taller than the drawn handle

}  // namespace

Marker::Marker(int kind, QColor colour, QWidget* parent) : QWidget(parent), colour(colour), markerKind(kind) {
    setFocusPolicy(Qt::NoFocus);
    resize(kWidth, parent ? parent->height() : 70);
}

void Marker::setDraggable(bool on) {
    draggable = on;
    grabbed = grabbed && on;
    setCursor(on ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void Marker::setMirrored(bool on) {
    if (mirrored == on) return;
    mirrored = on;
    setMask(QRegion(kLine, 0, 1, height()) + QRegion(grabArea()));
    update();
}

QRect Marker::grabArea() const {
    const QRect area = handle();
    return mirrored ? QRect(kWidth - 1 - area.right(), area.top(), area.width(), area.height()) : area;
}

void Marker::resizeEvent(QResizeEvent*) { setMask(QRegion(kLine, 0, 1, height()) + QRegion(grabArea())); }

void Marker::placeAt(int x) {
    if (parentWidget()) resize(kWidth, parentWidget()->height());
    move(x - kLine, 0);
}

int Marker::columnUnder(const QMouseEvent* event) const {
    return x() + static_cast<int>(event->position().x()) - grabOffset;
}

void Marker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(grabbed ? style::kText : colour);
    painter.drawLine(kLine, 0, kLine, height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(grabbed ? style::kText : colour);
    if (mirrored) painter.setTransform(QTransform(-1, 0, 0, 1, kWidth - 1, 0));  // x to kWidth - 1 - x
    paintHandle(painter);
}

void Marker::mousePressEvent(QMouseEvent* event) {
    if (!draggable || event->button() != Qt::LeftButton || !grabArea().contains(event->position().toPoint())) {
        event->ignore();  // the waveform below may scroll on it
        return;
    }
    grabbed = true;
    grabOffset = static_cast<int>(event->position().x()) - kLine;
    update();
}

void Marker::mouseMoveEvent(QMouseEvent* event) {
    if (grabbed) emit dragged(columnUnder(event));
}

void Marker::mouseReleaseEvent(QMouseEvent* event) {
    if (!grabbed || event->button() != Qt::LeftButton) return;
    const int column = columnUnder(event);
    grabbed = false;
    update();
    emit released(column);
}

LoopStart::LoopStart(QWidget* parent) : Marker(0, style::kLoopMarker, parent) {}

void LoopStart::paintHandle(QPainter& painter) {
    // A flag at the top, pointing into the loop.
    painter.drawPolygon(QPolygon({{kLine, 0}, {kLine + kHandle / 2 + 2, kHandle / 2}, {kLine, kHandle}}));
}

QRect LoopStart::handle() const { return QRect(kLine, 0, kWidth - kLine, kGrabHeight); }

LoopEnd::LoopEnd(QWidget* parent) : Marker(1, style::kLoopMarker, parent) {}

void LoopEnd::paintHandle(QPainter& painter) {
    painter.drawPolygon(QPolygon({{kLine + 1, 0}, {kLine - kHandle / 2 - 1, kHandle / 2}, {kLine + 1, kHandle}}));
}

QRect LoopEnd::handle() const { return QRect(0, 0, kLine + 2, kGrabHeight); }

Start::Start(QWidget* parent) : Marker(2, style::kStartMarker, parent) {}

void Start::paintHandle(QPainter& painter) {
    // A triangle at the bottom, pointing up at the line.
    const int bottom = height();
    painter.drawPolygon(QPolygon({{0, bottom}, {kWidth, bottom}, {kLine, bottom - kHandle}}));
}

QRect Start::handle() const { return QRect(0, height() - kGrabHeight, kWidth, kGrabHeight); }
