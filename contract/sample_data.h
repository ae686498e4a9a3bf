// The record through which the editor program draws the waveform and
// markers of the instrument on show: the sample region holds one. Both
// processes use native byte order. The plug-in writes on its editor poll
// thread unless said otherwise; the editor program reads on its GUI thread.
#pragma once

#include <cstddef>
#include <cstdint>

struct SampleData {
    static constexpr int kMaxColumns = 960;
    static constexpr int kDisplayColumns = 407;  // what the plug-in sets `columns` to
    // A stereo sample's second channel has its columns from here on in the
    // same arrays; its first channel then takes at most this many columns.
    static constexpr int kSecondChannelColumn = kMaxColumns / 2;

    int32_t length;   // frames of the sample on show: when it is shown, and when its sample changes
    int32_t columns;  // the plug-in, when its editor is made
    // The columns' peaks: when a waveform is shown and when peaks are asked
    // for. The first channel from index 0, a second one (when `channels` is 2)
    // from kSecondChannelColumn.
    float maxPeaks[kMaxColumns];
    float minPeaks[kMaxColumns];
    // The view. The plug-in resets both when a waveform is shown; the editor
    // program's GUI thread writes them when the user zooms or scrolls, then
    // asks for new peaks.
    double framesPerColumn;
    double fullFramesPerColumn;  // the plug-in: the whole sample across the columns
    int32_t viewStart;
    uint8_t waveformReady;  // the plug-in, 1 once a waveform was shown
    // The loop switch and the markers: when a waveform is shown, and on any
    // thread that changes them (host automation, the audio thread included).
    uint8_t loopOn;
    uint8_t channels;  // 1 or 2 channels of columns: when a waveform is shown
    uint8_t reserved;
    int32_t startPlay;
    int32_t loopStart;
    int32_t loopEnd;
    int32_t sampleRate;  // of the sample on show, in Hz: when a waveform is shown
};

static_assert(offsetof(SampleData, columns) == 4);
static_assert(offsetof(SampleData, maxPeaks) == 8);
static_assert(offsetof(SampleData, minPeaks) == 3848);
static_assert(offsetof(SampleData, framesPerColumn) == 7688);
static_assert(offsetof(SampleData, fullFramesPerColumn) == 7696);
static_assert(offsetof(SampleData, viewStart) == 7704);
static_assert(offsetof(SampleData, waveformReady) == 7708);
static_assert(offsetof(SampleData, loopOn) == 7709);
static_assert(offsetof(SampleData, channels) == 7710);
static_assert(offsetof(SampleData, startPlay) == 7712);
static_assert(offsetof(SampleData, loopStart) == 7716);
static_assert(offsetof(SampleData, loopEnd) == 7720);
static_assert(offsetof(SampleData, sampleRate) == 7724);
static_assert(sizeof(SampleData) == 7728);
