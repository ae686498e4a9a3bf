// Small signal-processing pieces the synthesiser is built from.
#pragma once

#include <cmath>
#include <complex>
#include <vector>

namespace soundgen {

constexpr double pi = 3.14159265358979323846;

// In-place radix-2 FFT; sign -1 forward, +1 inverse (unscaled).
void fft(std::vector<std::complex<double>>& x, int sign);

// Zero-delay-feedback state-variable filter (two poles). One object keeps the
// state of one signal; the cutoff may change on every sample.
class StateVariableFilter {
public:
    struct Out {
        double low, band, high;
    };

    void set(double cutoffHz, double q, int sampleRate) {
        const double limited = std::min(cutoffHz, 0.45 * sampleRate);
        g_ = std::tan(pi * std::max(limited, 5.0) / sampleRate);
        k_ = 1.0 / q;
        a1_ = 1.0 / (1.0 + g_ * (g_ + k_));
        a2_ = g_ * a1_;
        a3_ = g_ * a2_;
    }

    Out process(double in) {
        const double v3 = in - ic2_;
        const double v1 = a1_ * ic1_ + a2_ * v3;
        const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
        ic1_ = 2 * v1 - ic1_;
        ic2_ = 2 * v2 - ic2_;
        return {v2, v1, in - k_ * v1 - v2};
    }

    // Band-pass scaled to unity gain at the centre frequency.
    double bandNormalised(double in) { return k_ * process(in).band; }

private:
    double g_ = 0, k_ = 1, a1_ = 0, a2_ = 0, a3_ = 0;
    double ic1_ = 0, ic2_ = 0;
};

inline double dbToGain(double db) { return std::pow(10.0, db / 20); }
inline double noteHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12); }

}  // namespace soundgen
