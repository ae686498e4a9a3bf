// Reduces the sample on show to min/max columns in the shared SampleData
// record, from which the editor program draws the waveform.
#pragma once

#include <vector>

class Instrument;
struct SampleData;

class SampleDisplay {
public:
    static constexpr int kColumns = 407;

    // Draws into `record`, the plug-in's sample region (null: nothing to draw into).
    explicit SampleDisplay(SampleData* record);

    // Shows the instrument's first sample: its markers, a zoom that fits it
    // whole, and its columns.
    void setWaveform(Instrument* instrument);
    // Recomputes the columns for the record's current zoom and scroll position.
    void processPeak();
    // Point sampling for zooms at which one frame spans several columns.
    void processZoom2();

private:
    // The record's column count, which the editor program may overwrite,
    // kept within the peak arrays.
    int boundedColumns() const;
    // Empties the columns from `column` on, which the reduction did not reach.
    void clearColumnsFrom(int column);

    SampleData* record;
    // The display keeps its own copy of the first channel: the instrument
    // whose sample it shows may be destroyed while the editor still zooms.
    std::vector<float> frames;
    const float* buffer = nullptr;
    int length = 0;
};
