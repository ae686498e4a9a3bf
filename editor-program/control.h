// The base of every control: a normalised value 0..1 that the plug-in sets
// (setValue, silent) and the user changes (valueChanged), with the display
// hints of the plug-in's parameter record. The knob and the slider share the
// gestures of DragControl: drag, Ctrl + wheel, double-click to the default;
// they show their value while the pointer is over them.
#pragma once

#include <QFont>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

class QEnterEvent;
class QMouseEvent;
class QWheelEvent;

class Control : public QWidget {
    Q_OBJECT
public:
    using Formatter = std::function<QString(float value)>;
    explicit Control(const QString& label, QWidget* parent = nullptr);
    float value() const;
    // Shows a value that came from the plug-in: no signal. NaN shows as 0;
    // values are shown clamped to 0..1.
    void setValue(float value);
    // Where a double-click returns (emits valueChanged if it moves).
    void setDefaultValue(float value);
    // Display hints of the plug-in's parameter record. steps > 0: user
    // changes snap to multiples of 1/steps (steps 1 makes an on/off control).
    // Default text: round(value * steps) + offset. `mark` is a reference
    // point in the same displayed units (e.g. pan's centre 0), drawn as a
    // tick where it makes sense.
    void setHints(int steps, int offset, int mark);
    // The text in the plug-in's own units (e.g. "-12 st", "1.50 s").
    void setFormatter(Formatter formatter);
    // The formatter's text for the current value.
    QString valueText() const;
    QString label() const;
    // What the control does, in a sentence; the tooltip leads with it.
    void setDescription(const QString& description);

    // The modifier that lets the wheel turn a control: without it the wheel
    // goes on to what holds the control (the instrument list scrolls).
    static constexpr Qt::KeyboardModifier kWheelModifier = Qt::ControlModifier;

signals:
    // User changes only, never for setValue.
    void valueChanged(float value);

protected:
    // Clamp, snap, repaint, emit when it differs.
    void changeByUser(float value);
    // True while the user moves it (then paint valueText() instead of the label).
    bool showingValue() const;

    // For the subclasses: begins / ends showing the value; wheel shows it
    // for a moment.
    void setShowingValue(bool showing);
    // The drag gesture: `pixels` moved towards "more" since the last call,
    // `span` pixels cover the whole range (Shift: ten times finer).
    void beginDrag();
    void dragBy(double pixels, double span, Qt::KeyboardModifiers modifiers);
    void endDrag();
    bool dragging() const { return dragging_; }
    // The pointer came or went: the value shows while it is over the control.
    void setHovered(bool hovered);
    // The double-click: back to the default value.
    void returnToDefault() { changeByUser(default_); }
    // One notch = one step, or 1/100 when steps is 0 or above 100 (Shift: 1/1000).
    void wheelBy(QWheelEvent* event);
    // The mark's position 0..1, or a negative number when it has none
    // strictly inside the range.
    float markPosition() const;
    int steps() const { return steps_; }

    // Texts kept ready for painting (no formatting in paint events).
    // The label is elided to the widget's width.
    const QString& shownText() const { return showing_ ? valueText_ : shownLabel_; }
    const QString& shownLabel() const { return shownLabel_; }
    void resizeEvent(QResizeEvent* event) override;
    const QFont& textFont() const { return font_; }

private:
    void refreshText();

    QString label_;
    QString shownLabel_;
    QString valueText_;
    QString description_;
    Formatter formatter_;
    QFont font_;
    QTimer wheelShow_;
    float value_ = 0;
    float default_ = 0;
    double dragRaw_ = 0;    // unsnapped value while dragging
    int wheelRemainder_ = 0;  // angle delta below one notch
    int steps_ = 0;
    int offset_ = 0;
    int mark_ = 0;
    bool showing_ = false;
    bool dragging_ = false;
    bool hovered_ = false;
};

// A control the user drags: the mouse events of the drag, the double-click
// and the wheel, with the direction and span of the drag left to the
// subclass.
class DragControl : public Control {
    Q_OBJECT
public:
    using Control::Control;

protected:
    // Pixels moved towards "more" from `from` to `to`, and the pixels that
    // cover the whole range.
    virtual double dragPixels(const QPointF& from, const QPointF& to) const = 0;
    virtual double dragSpan() const = 0;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Turns the control with the modifier held or during a drag; otherwise
    // leaves the wheel to the widgets around it.
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointF lastPosition_;
};
