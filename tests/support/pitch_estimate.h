// Finds the fundamental of a recorded tone, to check that sounds are in tune.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace pitch {

inline constexpr double kPi = 3.14159265358979323846;

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

// In-place radix-2 FFT (forward); the size must be a power of two.
inline void fft(std::vector<std::complex<double>>& x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        for (std::size_t k = 0; k < len / 2; ++k) {
            const std::complex<double> w = std::polar(1.0, -2 * kPi * double(k) / double(len));
            for (std::size_t i = 0; i < n; i += len) {
                const std::complex<double> u = x[i + k], v = x[i + k + len / 2] * w;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
            }
        }
    }
}

// The lowest strong partial of a chord or a bell: the lowest spectral peak
// above minHz that reaches floorRatio of the strongest one. Analyses a
// Hann-windowed stretch of `window` samples from `start` (a power of two),
// zero-padded eightfold. The frequency is the power-weighted centre of the
// peak down to a tenth of its height (stopping short of a neighbouring
// peak), so that a cluster of detuned copies (an ensemble, a choir) reads
// as its middle, and a lone sine exactly.
// Returns 0 when there are too few samples.
inline double lowestPartialHz(const std::vector<double>& x, double sampleRate, std::size_t start,
                              std::size_t window = 8192, double floorRatio = 0.1, double minHz = 30) {
    if (start + window > x.size()) return 0;
    const std::size_t size = window * 8;
    std::vector<std::complex<double>> spectrum(size);
    for (std::size_t i = 0; i < window; ++i) {
        spectrum[i] = x[start + i] * (0.5 - 0.5 * std::cos(2 * kPi * double(i) / double(window)));
    }
    fft(spectrum);
    std::vector<double> magnitude(size / 2);
    for (std::size_t k = 0; k < size / 2; ++k) magnitude[k] = std::abs(spectrum[k]);
    const std::size_t first = std::max<std::size_t>(2, static_cast<std::size_t>(minHz * size / sampleRate));
    const double strongest = *std::max_element(magnitude.begin() + first, magnitude.end());
    // A peak is the highest point within three bins either way: neither a
    // tremolo sideband nor a ripple on the skirt of a stronger neighbour.
    constexpr std::size_t reach = 24;
    for (std::size_t peak = first; peak + 1 < magnitude.size(); ++peak) {
        if (magnitude[peak] < floorRatio * strongest) continue;
        bool highest = true;
        for (std::size_t j = peak > reach ? peak - reach : 0; j <= std::min(peak + reach, magnitude.size() - 1); ++j) {
            if (magnitude[j] > magnitude[peak]) highest = false;
        }
        if (!highest) continue;
        const double m = magnitude[peak];
        std::size_t low = peak, high = peak;
        // Down either flank, across shallow dips but not into a neighbour's peak.
        auto onFlank = [&](std::size_t from, std::size_t to) {
            return magnitude[to] > 0.1 * m && (magnitude[to] < magnitude[from] || magnitude[to] > 0.5 * m);
        };
        while (low > first && peak - low < reach && onFlank(low, low - 1)) --low;
        while (high + 1 < magnitude.size() && high - peak < reach && onFlank(high, high + 1)) ++high;
        double power = 0, moment = 0;
        for (std::size_t j = low; j <= high; ++j) {
            power += magnitude[j] * magnitude[j];
            moment += double(j) * magnitude[j] * magnitude[j];
        }
        return moment / power * sampleRate / size;
    }
    return 0;
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

// The pitch of a sound from `start`, by the method that suits it: YIN for a
// periodic tone, searched within an octave and a bit of rootHz either way;
// the lowest strong partial for a chord or a bell. The analysis window
// shrinks to fit short sounds. Returns 0 when the sound is too short.
inline double soundHz(const std::vector<double>& x, double sampleRate, double rootHz, std::size_t start,
                      bool periodic) {
    if (periodic) {
        const double minHz = rootHz / 2.5, maxHz = std::min(rootHz * 2.5, sampleRate / 4);
        const std::size_t longest = static_cast<std::size_t>(sampleRate / minHz) + 2;
        std::size_t window = 2048;
        while (window > 256 && start + window + longest > x.size()) window /= 2;
        return estimateHz(x, sampleRate, start, window, minHz, maxHz);
    }
    // Chords need the resolution of a long window: a short sound is analysed
    // from earlier rather than with a shorter one.
    std::size_t window = 16384;
    while (window > 8192 && start + window > x.size()) window /= 2;
    if (start + window > x.size()) start = x.size() > window ? x.size() - window : 0;
    return lowestPartialHz(x, sampleRate, start, window);
}

// The pitch a listener hears through a vibrato: soundHz averaged over up to
// eight windows in a row from `start` (about 0.4 s of a periodic tone, two
// cycles of a singer's vibrato), as far as the sound reaches and as long as
// each stays within a semitone of the first (past that, a decaying tone's
// estimate has lost its fundamental, not moved).
inline double heardHz(const std::vector<double>& x, double sampleRate, double rootHz, std::size_t start,
                      bool periodic) {
    if (!periodic) return soundHz(x, sampleRate, rootHz, start, periodic);
    double sum = 0;
    int found = 0;
    for (std::size_t k = 0; k < 8; ++k) {
        const double hz = soundHz(x, sampleRate, rootHz, start + k * 2048, periodic);
        if (hz <= 0 || (found > 0 && start + k * 2048 + 2048 > x.size())) break;
        if (found > 0 && std::fabs(std::log2(hz * found / sum)) > 1.0 / 12) break;
        sum += hz;
        ++found;
    }
    return found ? sum / found : 0;
}

// How far a sound's estimated pitch may stray from its root: 10 cents, or
// 25 for a choir, whose singers each sway by a vibrato of 30 cents and more,
// so that the ensemble has no single pitch at any moment.
inline double toleranceCents(const std::string& name) {
    return name.find("Choir") != std::string::npos ? 25.0 : 10.0;
}

// Where to check a sound's pitch: 20 ms in, then every 200 ms while it is
// still loud (a tail far below its loudest moment has little pitch left to
// hear), at most `count` places.
inline std::vector<std::size_t> analysisPoints(const std::vector<double>& x, double sampleRate,
                                               std::size_t count = 5) {
    const std::size_t block = 2048;
    auto rms = [&](std::size_t from) {
        double energy = 0;
        const std::size_t to = std::min(x.size(), from + block);
        for (std::size_t i = from; i < to; ++i) energy += x[i] * x[i];
        return std::sqrt(energy / block);
    };
    double loudest = 0;
    for (std::size_t from = 0; from + block <= x.size(); from += block / 2) loudest = std::max(loudest, rms(from));
    std::vector<std::size_t> out{static_cast<std::size_t>(0.02 * sampleRate)};
    const std::size_t step = static_cast<std::size_t>(0.2 * sampleRate);
    for (std::size_t from = out[0] + step; from + block <= x.size() && out.size() < count; from += step) {
        if (rms(from) >= 0.2 * loudest) out.push_back(from);
    }
    return out;
}

}  // namespace pitch
