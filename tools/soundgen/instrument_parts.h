// Pieces the instrument designs share.
#pragma once

#include <cmath>
#include <vector>

#include "patch.h"

namespace soundgen::parts {

inline Patch withNotes(const std::vector<double>& notes) {
    Patch p;
    p.notes = notes;
    return p;
}

// A struck or plucked tone: harmonics falling in level, the higher ones
// dying sooner.
inline std::vector<Mode> struck(int count, double tilt, double decayMs, double highFall) {
    std::vector<Mode> out;
    for (int n = 1; n <= count; ++n) {
        out.push_back({double(n), std::pow(double(n), -tilt), decayMs / (1 + highFall * (n - 1))});
    }
    return out;
}

// A short burst of band-limited noise: a click, a breath, a crash.
inline Noise burst(double level, double lowpassHz, double decayMs, double highpassHz = 0) {
    Noise n;
    n.level = level;
    n.lowpassHz = lowpassHz;
    n.highpassHz = highpassHz;
    n.envelope = {0.5, 0, decayMs, 0};
    return n;
}

}  // namespace soundgen::parts
