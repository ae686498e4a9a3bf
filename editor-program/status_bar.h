// The three status lines beside the envelope picture: where the loop starts
// and ends (in frames) and how many frames one waveform column covers. A
// message (a refused drop) takes their place for a few seconds.
#pragma once

#include <QString>
#include <QWidget>

class QTimer;

class StatusBar : public QWidget {
public:
    explicit StatusBar(QWidget* parent = nullptr);

    void setLoopStart(int frames);
    void setLoopEnd(int frames);
    void setZoom(double framesPerColumn);
    void showMessage(const QString& message);
    // Line 0, 1 or 2, or 3 for the message on show; empty for any other.
    QString text(int line) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setLine(int line, const QString& text);

    QString lines[3];
    QString message;
    QTimer* messageTimer;
};
