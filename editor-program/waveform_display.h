// The waveform panel, for the instrument on show: its name and what the
// sample is above the drawing area, a time ruler and the scroll bar below.
// The picture is mirrored while the instrument plays in reverse. It asks the plug-in for that instrument's waveform
// whenever another one is shown, zooms and scrolls by writing the view
// (frames per column, first frame) into the shared record and asking for
// new peaks, and turns marker drags into the host parameters of the
// instrument on show. While an answer is awaited the record is being
// rewritten: the picture keeps what it last took until the answer comes.
#pragma once

#include <QWidget>
#include <cstdint>

class PluginLink;
class QLabel;
class ScrollBar;
class ShownInstrument;
class StatusBar;
class TimeRuler;
class Waveformz;
struct SampleData;

class WaveformDisplay : public QWidget {
    Q_OBJECT
public:
    static constexpr double kMinimumFramesPerColumn = 1.0 / 16;
    static constexpr double kZoomStep = 1.25;  // per wheel notch
    // The drawing area's top edge in the panel, under the name line.
    static constexpr int kWaveformTop = 14;

    WaveformDisplay(PluginLink& link, const ShownInstrument& shown, QWidget* parent = nullptr);

    // Optional; shows the markers and the zoom.
    void setStatusBar(StatusBar* status);
    // Another instrument is on show: asks for its waveform, or empties the
    // picture when none is.
    void shownChanged();
    // The plug-in answered a request: once every request has its answer,
    // redraws everything from the record.
    void waveformReady();
    // Every 20 ms: redraws only when what the record shows, or the
    // instrument's reverse switch, has changed.
    void poll();
    // Each notch divides (positive) or multiplies the frames per column by
    // kZoomStep, keeping the frame under `aroundColumn` (or the middle, when
    // the setting asks for centred zoom) in place.
    void zoomBy(int notches, int aroundColumn);
    // The name line: the instrument's name, and what its sample is.
    QString nameText() const;
    QString sampleText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SampleData* record() const;
    int columns() const;
    int visibleFrames(double framesPerColumn) const;
    void scrollTo(int64_t frame);
    // Clamped to the sample; true when the first frame shown changed.
    bool setViewStart(int64_t frame);
    void viewChanged();
    // Counts a request that the plug-in answers with a new waveform, once
    // it is `sent`.
    void request(bool sent);
    void showRecord();
    // The scroll bar and the ruler for the view `view`.
    void showView(const SampleData& view);
    void markerMoved(int kind, int frame, bool released);
    // Whether the instrument on show plays in reverse; true when that changed.
    bool followReverse();

    PluginLink& link;
    const ShownInstrument& shown;
    QLabel* name;
    QLabel* about;
    Waveformz* waveform;
    TimeRuler* ruler;
    ScrollBar* scrollBar;
    StatusBar* status = nullptr;
    int awaited = 0;        // requests sent and not answered yet
    int pollsAwaiting = 0;  // polls since then; an answer lost in a full pipe is not awaited forever
    int dragOrigin = 0;      // the first frame shown when a scrolling drag began
    int lastSentFrame = -1;  // of the marker drag under way
};
