// An on/off switch: a click toggles 0 <-> 1 and emits; lit when the plug-in
// plays it on (above 0.5, or from 0.5 up for the delay's switches); the
// label inside.
#pragma once

#include "editor-program/control.h"

class ButtonGroup;

class Button : public Control {
    Q_OBJECT
public:
    explicit Button(const QString& label, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The plug-in's delay turns its switches on at exactly 0.5 too; the
    // instruments' switches need more.
    void setOnAtHalf(bool onAtHalf);
    bool isOn() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class ButtonGroup;  // turns the others off in an exclusive group
    void turnOffByUser() { changeByUser(0.0f); }

    bool onAtHalf_ = false;
};
