// One cycle of a periodic oscillator, band-limited to the harmonics that fit
// below the sample rate's limit, read with cubic interpolation.
#pragma once

#include <complex>
#include <memory>
#include <vector>

#include "patch.h"

namespace soundgen {

class Wavetable {
public:
    static constexpr int size = 4096;
    static constexpr int maxHarmonics = size / 2 - 1;

    // harmonics[n - 1] is harmonic n as Im(c * e^(i 2 pi n phase)).
    explicit Wavetable(const std::vector<std::complex<double>>& harmonics);

    // phase in cycles, 0 <= phase < 1
    double at(double phase) const {
        const double position = phase * size;
        const int i = static_cast<int>(position);
        const double t = position - i;
        const double* p = &samples_[i];  // samples_[i + 1] is sample i
        const double a = p[0], b = p[1], c = p[2], d = p[3];
        return b + 0.5 * t * (c - a + t * (2 * a - 5 * b + 4 * c - d + t * (3 * (b - c) + d - a)));
    }

private:
    std::vector<double> samples_;
};

// The table for an oscillator's shape with at most `harmonics` harmonics,
// made once and shared.
std::shared_ptr<const Wavetable> wavetableFor(const Osc& osc, int harmonics);

}  // namespace soundgen
