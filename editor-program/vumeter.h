// A level bar, vertical (filling upwards) or horizontal (filling to the
// right), on a -60..0 dB scale with a short falloff: a lower
// peak lets the bar fall at kFallPerSecond of its height per second. It
// repaints only when the bar's height in pixels changes.
#pragma once

#include <QBrush>
#include <QElapsedTimer>
#include <QWidget>

class Vumeter : public QWidget {
    Q_OBJECT
public:
    explicit Vumeter(QWidget* parent = nullptr) : Vumeter(Qt::Vertical, parent) {}
    Vumeter(Qt::Orientation orientation, QWidget* parent = nullptr);
    // Linear peak 0..1+ (NaN = 0).
    void setLevel(float peak);
    // The level shown, linear: the last peak, or less while it falls.
    float level() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr float kRangeDb = 60.0f;       // the bar's bottom
    static constexpr float kFallPerSecond = 1.5f;  // of the full height

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int barPixels(float position) const;
    int length() const { return orientation_ == Qt::Vertical ? height() : width(); }

    const Qt::Orientation orientation_;
    QBrush gradient_;
    QElapsedTimer clock_;
    float position_ = 0;  // shown level on the bar, 0..1
    float level_ = 0;     // the same, linear
    int pixels_ = 0;      // bar height drawn
};
