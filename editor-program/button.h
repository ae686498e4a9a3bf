// An on/off switch: a click toggles 0 <-> 1 and emits; lit when the value is
// at least 0.5; the label inside.
#pragma once

#include "editor-program/control.h"

class ButtonGroup;

class Button : public Control {
    Q_OBJECT
public:
    explicit Button(const QString& label, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class ButtonGroup;  // turns the others off in an exclusive group
    void turnOffByUser() { changeByUser(0.0f); }
};
