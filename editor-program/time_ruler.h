// The time ruler under the waveform: ticks at round times, labelled every
// so often, the step chosen for the zoom so that labels never crowd. When
// the picture is mirrored (a reversed instrument) time runs right to left.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

struct SampleData;

class TimeRuler : public QWidget {
    Q_OBJECT
public:
    struct Tick {
        double x;       // column of the picture
        QString label;  // empty for a tick between labels
    };
    // Labels are at least this many pixels apart.
    static constexpr int kLabelSpacing = 64;

    explicit TimeRuler(QWidget* parent = nullptr);

    // What the waveform shows, and whether it is mirrored.
    void setView(const SampleData& picture, bool mirrored);
    std::vector<Tick> ticks() const;
    // Seconds between labels for `pixelsPerSecond`.
    static double labelStep(double pixelsPerSecond);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int length = 0;
    int rate = 0;
    int columns = 0;
    double viewStart = 0, framesPerColumn = 0;
    bool mirrored = false;
};
