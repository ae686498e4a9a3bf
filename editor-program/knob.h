// A dial: vertical drag (up = more, 150 px span the range, Shift ten times
// finer), the wheel, double-click to the default. An ~18 px dial over its
// label (the value while the user moves it) in a 38 x 28 cell.
#pragma once

#include "editor-program/control.h"

class Knob : public DragControl {
    Q_OBJECT
public:
    explicit Knob(const QString& label, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int kDragSpan = 150;  // pixels for the whole range

protected:
    void paintEvent(QPaintEvent* event) override;
    double dragPixels(const QPointF& from, const QPointF& to) const override;
    double dragSpan() const override;
};
