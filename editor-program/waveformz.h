// The waveform's drawing area: one vertical bar per column from the
// column's lowest to its highest peak around a centre line at 0 (a stereo
// sample as two such traces, left above right), the loop shaded when the
// sample loops, and the three markers on top. Mirrored, it shows the sample
// as a reversed instrument plays it: the last frame on the left, the
// markers with their frames. It draws a copy of the shared record taken
// when asked, so that a picture is never half old and half new while the
// plug-in writes.
#pragma once

#include <QWidget>

#include "contract/sample_data.h"

class Marker;

class Waveformz : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = SampleData::kDisplayColumns;
    static constexpr int kHeight = 56;

    explicit Waveformz(QWidget* parent = nullptr);

    // Copies what the record shows; repaints and returns true when that
    // differs from the picture, or always with `force`.
    bool takeRecord(const SampleData& record, bool force = false);
    const SampleData& shown() const { return picture; }
    // Nothing on show: an empty picture without markers.
    void clear();
    void setMarkersDraggable(bool on);
    void setMirrored(bool on);
    bool mirrored() const { return mirror; }

    // Between frames and columns, for the record's view as last taken and
    // the picture's direction: the column where frame `frame` begins (ends,
    // mirrored), and the frame drawn in column `column`.
    double columnOf(double frame) const;
    int frameAt(int column) const;

signals:
    // A marker was dragged to `frame` (within the sample and the view).
    void markerMoved(int kind, int frame, bool released);
    // Wheel notches over column `column`; positive away from the user.
    void zoomRequested(int notches, int column);
    // A scrolling drag, `pixels` to the right of where it started.
    void scrollDragStarted();
    void scrollDragged(int pixels);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int columnCount() const;
    int markerFrame(int kind) const;
    // Paints one channel's columns, from `first` in the peak arrays, between `top` and `bottom`.
    void paintTrace(QPainter& painter, int first, int top, int bottom) const;
    void placeMarkers();
    void dragMarker(Marker* marker, int column, bool released);

    SampleData picture{};
    bool mirror = false;
    Marker* markers[3];
    Qt::MouseButton scrollButton = Qt::NoButton;  // held during a scrolling drag
    int scrollStartX = 0;
    int wheelRemainder = 0;  // high-resolution wheels send parts of a notch
};
