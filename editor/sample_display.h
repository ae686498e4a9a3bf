// Reduces the sample on show to min/max columns in the shared SampleData
// record, from which the editor program draws the waveform.
#pragma once

#include <vector>

#include "contract/sample_data.h"
#include "editor/peak_summary.h"
#include "instruments/instrument_access.h"

class Instrument;

// What the display takes of the sample on show: its first two channels, its
// rate and its markers. The markers change on other threads; whoever fills
// this reads them under the lock that guards them. The frames never change.
struct ShownSample {
    bool present = false;  // false: the instrument has no sample, or there is no instrument
    const float* frames = nullptr;
    int length = 0;
    int startPlay = 0, loopStart = 0, loopEnd = 0;
    bool loops = false;
    const float* secondFrames = nullptr;  // null for a mono sample
    int sampleRate = 0;

    // From the instrument's first sample; nothing when it has none.
    static ShownSample of(Instrument* instrument) REQUIRES(instrumentAccess);
};

class SampleDisplay {
public:
    static constexpr int kColumns = SampleData::kDisplayColumns;

    // Draws into `record`, the plug-in's sample region (null: nothing to draw into).
    explicit SampleDisplay(SampleData* record);

    // Shows the sample: its markers, a zoom that fits it whole, and its
    // columns. No sample leaves everything as it was.
    void setWaveform(const ShownSample& sample);
    // The same for the instrument's first sample, read on this thread.
    void setWaveform(Instrument* instrument) REQUIRES(instrumentAccess) { setWaveform(ShownSample::of(instrument)); }
    // Recomputes the columns for the record's current zoom and scroll
    // position: each column the lowest and highest of its frames, and of 0,
    // so that every bar touches the centre line.
    void processPeak();
    // Point sampling for zooms at which one frame spans several columns.
    void processZoom2();

private:
    // The record's column count, which the editor program may overwrite,
    // kept within the peak arrays (half of them for each of two channels).
    int boundedColumns() const;
    int channelCount() const { return second.empty() ? 1 : 2; }
    // Where channel c's columns begin in the peak arrays.
    static int firstColumn(int channel) { return channel == 0 ? 0 : SampleData::kSecondChannelColumn; }
    const float* channelFrames(int channel) const { return channel == 0 ? frames.data() : second.data(); }
    // Empties the columns from `column` on, which the reduction did not reach.
    void clearColumnsFrom(int column);

    SampleData* record;
    // The display keeps its own copy of the channels: the instrument whose
    // sample it shows may be destroyed while the editor still zooms.
    std::vector<float> frames, second;
    PeakSummary summaries[2];
    int length = 0;
};
