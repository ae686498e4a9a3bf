// The waveform panel: the drawing area and its scroll bar. It zooms and
// scrolls by writing the view (frames per column, first frame) into the
// shared record and asking the plug-in for new peaks, and it turns marker
// drags into the host parameters of the instrument on show.
#pragma once

#include <QWidget>
#include <cstdint>

class PluginLink;
class ScrollBar;
class StatusBar;
class Waveformz;
struct SampleData;

class WaveformDisplay : public QWidget {
    Q_OBJECT
public:
    static constexpr double kMinimumFramesPerColumn = 1.0 / 16;

    WaveformDisplay(PluginLink& link, QWidget* parent = nullptr);

    // Optional; shows the loop markers and the zoom.
    void setStatusBar(StatusBar* status);
    // Whose markers the drags move; -1 for none, and the markers stay put.
    void setInstrument(int32_t id);
    // The plug-in refilled the record: redraw everything from it.
    void waveformReady();
    // Every 20 ms: redraws only when what the record shows has changed.
    void poll();
    // Each notch halves (positive) or doubles the frames per column, keeping
    // the frame under `aroundColumn` (or the middle, when the setting asks
    // for centred zoom) in place.
    void zoomBy(int notches, int aroundColumn);

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
    void showRecord();
    void markerMoved(int kind, int frame, bool released);

    PluginLink& link;
    Waveformz* waveform;
    ScrollBar* scrollBar;
    StatusBar* status = nullptr;
    int32_t instrument = -1;
    int dragOrigin = 0;      // the first frame shown when a scrolling drag began
    int lastSentFrame = -1;  // of the marker drag under way
};
