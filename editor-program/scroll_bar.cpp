#include "editor-program/scroll_bar.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "editor-program/style.h"

namespace {

constexpr int kMinimumThumb = 12;

}  // namespace

ScrollBar::ScrollBar(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

void ScrollBar::setRange(int newTotal, int newPage, int position) {
    total = std::max(newTotal, 0);
    page = std::clamp(newPage, 0, total);
    current = std::clamp(position, 0, maximum());
    update();
}

int ScrollBar::maximum() const { return std::max(total - page, 0); }

QRect ScrollBar::thumb() const {
    if (total <= 0 || maximum() == 0) return rect();
    const int length =
        std::clamp(static_cast<int>(static_cast<long long>(width()) * page / total), kMinimumThumb, width());
    const int x = static_cast<int>(static_cast<long long>(width() - length) * current / maximum());
    return {x, 0, length, height()};
}

void ScrollBar::moveTo(int position) {
    position = std::clamp(position, 0, maximum());
    if (position == current) return;
    current = position;
    update();
    emit moved(current);
}

void ScrollBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), style::kBackground);
    painter.fillRect(thumb().adjusted(0, 2, 0, -2), dragging ? style::kAccent : style::kPanelEdge);
}

void ScrollBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || maximum() == 0) return;
    const int x = static_cast<int>(event->position().x());
    const QRect handle = thumb();
    if (x < handle.left()) {
        moveTo(current - page);
    } else if (x > handle.right()) {
        moveTo(current + page);
    } else {
        dragging = true;
        dragStartX = x;
        dragStartPosition = current;
        update();
    }
}

void ScrollBar::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging) return;
    const int travel = width() - thumb().width();
    if (travel <= 0) return;
    const double pixels = event->position().x() - dragStartX;
    moveTo(dragStartPosition + static_cast<int>(pixels * maximum() / travel));
}

void ScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging) return;
    dragging = false;
    update();
}
