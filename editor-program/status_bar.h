// The status lines beside the envelope picture: where a note starts, where
// the loop starts and ends (in seconds; in frames on hover) and how far the
// waveform is zoomed in. A message (a refused drop) takes their place for a
// few seconds.
#pragma once

#include <QString>
#include <QWidget>

class QTimer;

class StatusBar : public QWidget {
public:
    // What text() and lineToolTip() take; shown from the start line down.
    enum Line { kLoopStartLine, kLoopEndLine, kZoomLine, kMessageLine, kStartLine };

    explicit StatusBar(QWidget* parent = nullptr);

    // The rate of the sample on show, in Hz (0: unknown, markers in frames).
    void setSampleRate(int rate);
    // Marker `kind` (0 loop start, 1 loop end, 2 start) stands at `frame`.
    void setMarker(int kind, int frame);
    void setLoopStart(int frame) { setMarker(0, frame); }
    void setLoopEnd(int frame) { setMarker(1, frame); }
    // Frames per waveform column now, and when the whole sample is shown.
    void setZoom(double framesPerColumn, double wholeSample);
    void showMessage(const QString& message);
    QString text(int line) const;
    QString lineToolTip(int line) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    static constexpr int kLines = 5;
    void refreshMarkers();
    void setLine(int line, const QString& text, const QString& tip);
    QRect lineRect(int row) const;

    int rate = 0;
    int markers[3] = {0, 0, 0};
    QString lines[kLines];
    QString tips[kLines];
    QString message;
    QTimer* messageTimer;
};
