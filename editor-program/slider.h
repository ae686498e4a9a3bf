// A horizontal bar with the knob's gestures along its axis: drag (the track's
// width spans the range, Shift ten times finer), wheel, double-click to the
// default. The bar over its label (the value while the user moves it).
#pragma once

#include "editor-program/control.h"

class Slider : public DragControl {
    Q_OBJECT
public:
    explicit Slider(const QString& label, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    double dragPixels(const QPointF& from, const QPointF& to) const override;
    double dragSpan() const override;

private:
    QRectF track() const;
};
