// The three markers on the waveform: a thin vertical line with a grab
// handle, dragged sideways by the handle. Each widget is masked to its line
// and its handle, so markers on the same frame do not cover one another's
// handles: the loop flags at the top point into the loop, the start
// triangle sits at the bottom. A marker only reports where the mouse takes
// it; the waveform turns that into a frame and places the marker.
#pragma once

#include <QColor>
#include <QWidget>

class Marker : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 11;  // the line runs down the middle

    // 0 loop start, 1 loop end, 2 start position: the kind of the marker's
    // host parameter (parameter_map::markerIndex).
    int kind() const { return markerKind; }
    bool dragging() const { return grabbed; }
    void setDraggable(bool on);
    // Mirrored, the handle points the other way: the loop flags still point
    // into the loop of a mirrored picture.
    void setMirrored(bool on);
    // Puts the line on column x of the parent.
    void placeAt(int x);

signals:
    // The parent's column under the line, while dragging and at release.
    void dragged(int column);
    void released(int column);

protected:
    Marker(int kind, QColor colour, QWidget* parent);
    virtual void paintHandle(QPainter& painter) = 0;
    // Where the mouse takes hold, in the widget's coordinates.
    virtual QRect handle() const = 0;
    void resizeEvent(QResizeEvent* event) override;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    const QColor colour;

private:
    int columnUnder(const QMouseEvent* event) const;
    // handle(), mirrored about the line when the marker is.
    QRect grabArea() const;

    const int markerKind;
    bool draggable = false;
    bool mirrored = false;
    bool grabbed = false;
    int grabOffset = 0;  // from the line to where the mouse took hold
};

class LoopStart : public Marker {
    Q_OBJECT
public:
    explicit LoopStart(QWidget* parent = nullptr);

protected:
    void paintHandle(QPainter& painter) override;
    QRect handle() const override;
};

class LoopEnd : public Marker {
    Q_OBJECT
public:
    explicit LoopEnd(QWidget* parent = nullptr);

protected:
    void paintHandle(QPainter& painter) override;
    QRect handle() const override;
};

class Start : public Marker {
    Q_OBJECT
public:
    explicit Start(QWidget* parent = nullptr);

protected:
    void paintHandle(QPainter& painter) override;
    QRect handle() const override;
};
