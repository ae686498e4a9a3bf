// Musical time for the host's transport: tempo and time signature over the
// render, and the VstTimeInfo a plug-in receives for a sample position.
#pragma once

#include <cstdint>
#include <vector>

#include "host/vst2.h"

class TempoMap {
public:
    // A map with one tempo and 4/4 from the start.
    explicit TempoMap(double bpm = 120.0);

    // Changes take effect at `seconds`, which is `ppq` quarter notes into the
    // render; they must be added in time order. A change at 0 replaces the start.
    void addChange(double seconds, double ppq, double bpm, int numerator, int denominator);

    // Fills every field the host reports; reads only, so it is safe per block.
    void fill(VstTimeInfo& info, int64_t samplePos, double sampleRate) const;

private:
    struct Segment {
        double seconds;
        double ppq;
        double bpm;
        int numerator;
        int denominator;
        double barOriginPpq;  // a bar line within this segment's meter
    };
    std::vector<Segment> segments_;
};
