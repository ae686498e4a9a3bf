// Watches a widget's paint events (install it as an event filter): how many
// came, and the rectangle each asked to repaint.
#pragma once

#include <QEvent>
#include <QList>
#include <QObject>
#include <QPaintEvent>
#include <QRect>

class PaintCounter : public QObject {
public:
    int paints = 0;
    QList<QRect> rects;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            paints++;
            rects.append(static_cast<QPaintEvent*>(event)->rect());
        }
        return false;
    }
};
