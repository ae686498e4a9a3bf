// The three status lines beside the envelope picture: where the loop starts
// and ends (in frames) and how many frames one waveform column covers.
#pragma once

#include <QString>
#include <QWidget>

class StatusBar : public QWidget {
public:
    explicit StatusBar(QWidget* parent = nullptr);

    void setLoopStart(int frames);
    void setLoopEnd(int frames);
    void setZoom(double framesPerColumn);
    // Line 0, 1 or 2; empty for any other.
    QString text(int line) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setLine(int line, const QString& text);

    QString lines[3];
};
