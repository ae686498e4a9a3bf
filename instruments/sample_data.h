// The record through which the editor program draws one sample's waveform
// and markers. It lives in shared memory; both processes use native byte order.
#pragma once

#include <cstddef>
#include <cstdint>

struct SampleData {
    static constexpr int kMaxColumns = 960;

    int32_t length;
    int32_t columns;
    float maxPeaks[kMaxColumns];
    float minPeaks[kMaxColumns];
    double framesPerColumn;
    double fullFramesPerColumn;
    int32_t viewStart;
    uint8_t waveformReady;
    uint8_t loopOn;
    uint8_t reserved[2];
    int32_t startPlay;
    int32_t loopStart;
    int32_t loopEnd;
    uint8_t reserved2[4];
};

static_assert(offsetof(SampleData, columns) == 4);
static_assert(offsetof(SampleData, maxPeaks) == 8);
static_assert(offsetof(SampleData, minPeaks) == 3848);
static_assert(offsetof(SampleData, framesPerColumn) == 7688);
static_assert(offsetof(SampleData, fullFramesPerColumn) == 7696);
static_assert(offsetof(SampleData, viewStart) == 7704);
static_assert(offsetof(SampleData, waveformReady) == 7708);
static_assert(offsetof(SampleData, loopOn) == 7709);
static_assert(offsetof(SampleData, startPlay) == 7712);
static_assert(offsetof(SampleData, loopStart) == 7716);
static_assert(offsetof(SampleData, loopEnd) == 7720);
static_assert(sizeof(SampleData) == 7728);
