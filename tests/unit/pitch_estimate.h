// Finds the fundamental of a recorded tone, to check that sounds are in tune.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace pitch {

// YIN: the difference of the signal with itself delayed, normalised by its
// running mean; the first dip below the threshold is the period (a shorter
// one would be a harmonic), refined by a parabola through the plain
// differences around it.
// Analyses `window` samples from `start`; needs window + sampleRate / minHz
// samples from there. Returns 0 when there are too few samples.
inline double estimateHz(const std::vector<double>& x, double sampleRate, std::size_t start,
                         std::size_t window = 2048, double minHz = 40, double maxHz = 2500) {
    const std::size_t shortest = static_cast<std::size_t>(sampleRate / maxHz);
    const std::size_t longest = static_cast<std::size_t>(sampleRate / minHz) + 1;
    if (shortest < 2 || start + window + longest + 1 > x.size()) return 0;

    std::vector<double> difference(longest + 2, 0.0), normalised(longest + 2, 1.0);
    double runningSum = 0;
    for (std::size_t lag = 1; lag < difference.size(); ++lag) {
        double d = 0;
        for (std::size_t j = start; j < start + window; ++j) {
            const double diff = x[j] - x[j + lag];
            d += diff * diff;
        }
        difference[lag] = d;
        runningSum += d;
        normalised[lag] = runningSum > 0 ? d * lag / runningSum : 1.0;
    }

    constexpr double threshold = 0.15;
    std::size_t lag = 0;
    for (std::size_t t = shortest; t <= longest; ++t) {
        if (normalised[t] < threshold) {
            lag = t;
            while (lag < longest && normalised[lag + 1] < normalised[lag]) ++lag;
            break;
        }
    }
    if (lag == 0) {
        lag = shortest;
        for (std::size_t t = shortest; t <= longest; ++t) {
            if (normalised[t] < normalised[lag]) lag = t;
        }
    }

    const double a = difference[lag - 1], b = difference[lag], c = difference[lag + 1];
    const double curvature = a - 2 * b + c;
    const double shift = curvature > 0 ? 0.5 * (a - c) / curvature : 0.0;
    return sampleRate / (lag + shift);
}

inline double centsBetween(double hz, double referenceHz) { return 1200 * std::log2(hz / referenceHz); }

// Distance in cents to the nearest of referenceHz and the octaves on either side.
inline double centsFromOctaves(double hz, double referenceHz) {
    double best = centsBetween(hz, referenceHz);
    for (double octave : {0.5, 2.0}) {
        const double cents = centsBetween(hz, referenceHz * octave);
        if (std::fabs(cents) < std::fabs(best)) best = cents;
    }
    return best;
}

}  // namespace pitch
