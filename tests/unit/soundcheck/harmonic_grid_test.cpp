// The energy off the harmonic series of saws made here: clean ones (every
// harmonic below Nyquist, nothing else) against the same saw made naively,
// whose harmonics above Nyquist fold back between the true ones.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "tools/soundcheck/harmonic_grid.h"

namespace {

constexpr int kRate = 44100;
constexpr size_t kFftSize = 32768;
constexpr size_t kFrom = kRate * 3 / 10, kTo = kRate * 8 / 10;
constexpr double kDetuneCents = 7.0;  // off the nominal pitch, as a sample may be

double nominalHz(int note) { return 440.0 * std::exp2((note - 69) / 12.0); }

enum class Saw { Clean, Naive };

std::vector<float> saw(Saw kind, double hz) {
    std::vector<float> out(kRate);
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); ++i) {
        double value = 0.0;
        if (kind == Saw::Naive) {
            value = 2.0 * phase - 1.0;
            phase += hz / kRate;
            if (phase >= 1.0) phase -= 1.0;
        } else {
            for (int k = 1; k * hz < kRate / 2.0; ++k)
                value -= 2.0 / std::numbers::pi * std::sin(2.0 * std::numbers::pi * k * hz * i / kRate) / k;
        }
        out[i] = static_cast<float>(0.5 * value);
    }
    return out;
}

struct SawCase {
    const char* what;
    Saw kind;
    int note;
    Window window;
    double lowestDb, highestDb;
};

// Hann's own leakage outside the +-3 bins of a harmonic sets a floor that a
// clean tone cannot go under (about -55 dB at C6); Blackman-Harris shows
// what lies under it.
const SawCase kSawCases[] = {
    {"clean C4, Blackman-Harris", Saw::Clean, 60, Window::BlackmanHarris, -200, -80},
    {"clean C6, Blackman-Harris", Saw::Clean, 84, Window::BlackmanHarris, -200, -80},
    {"clean C6, Hann: at the window's floor", Saw::Clean, 84, Window::Hann, -58, -50},
    {"naive C6, Hann", Saw::Naive, 84, Window::Hann, -25, 0},
    {"naive C6, Blackman-Harris", Saw::Naive, 84, Window::BlackmanHarris, -25, 0},
    {"naive C4, Blackman-Harris", Saw::Naive, 60, Window::BlackmanHarris, -30, -10},
};

TEST(HarmonicGrid, CleanSawsLieOnTheirGridAndAliasedOnesDoNot) {
    for (const SawCase& c : kSawCases) {
        SCOPED_TRACE(c.what);
        const double hz = nominalHz(c.note) * std::exp2(kDetuneCents / 1200.0);
        const std::vector<float> wave = saw(c.kind, hz);
        const GridFit fit = fitHarmonicGrid(wave.data(), wave.data(), kFrom, kTo, kRate, nominalHz(c.note), kFftSize, c.window);
        EXPECT_GE(fit.offgridDb, c.lowestDb);
        EXPECT_LE(fit.offgridDb, c.highestDb);
        EXPECT_NEAR(1200.0 * std::log2(fit.f0 / hz), 0.0, 3.0) << fit.f0 << " Hz";
    }
}

// A sound in one channel and its opposite in the other must not cancel.
TEST(HarmonicGrid, AddsThePowerOfTheChannels) {
    const double hz = nominalHz(72);
    std::vector<float> left = saw(Saw::Naive, hz), right(left.size());
    for (size_t i = 0; i < left.size(); ++i) right[i] = -left[i];
    const GridFit mono = fitHarmonicGrid(left.data(), left.data(), kFrom, kTo, kRate, hz, kFftSize);
    const GridFit opposite = fitHarmonicGrid(left.data(), right.data(), kFrom, kTo, kRate, hz, kFftSize);
    EXPECT_GT(opposite.onGrid, 0.0);
    EXPECT_NEAR(opposite.offgridDb, mono.offgridDb, 1e-9);
}

// A note gone by the steady stretch has no reading, however its remains
// (here a saw decayed 130 dB) happen to lie.
TEST(HarmonicGrid, NoReadingOnceTheNoteHasDiedAway) {
    const double hz = nominalHz(60);
    const std::vector<float> steady = saw(Saw::Naive, hz);
    std::vector<float> decayed = steady, silent(steady.size(), 0.0f);
    for (size_t i = 0; i < decayed.size(); ++i) decayed[i] *= static_cast<float>(std::exp(-double(i) / kRate / 0.02));

    EXPECT_DOUBLE_EQ(steadyOffgridDb(steady.data(), steady.data(), steady.size(), kFrom, kTo, kRate, hz, kFftSize),
                     fitHarmonicGrid(steady.data(), steady.data(), kFrom, kTo, kRate, hz, kFftSize).offgridDb);
    EXPECT_TRUE(std::isnan(steadyOffgridDb(decayed.data(), decayed.data(), decayed.size(), kFrom, kTo, kRate, hz, kFftSize)));
    EXPECT_TRUE(std::isnan(steadyOffgridDb(silent.data(), silent.data(), silent.size(), kFrom, kTo, kRate, hz, kFftSize)));
}

}  // namespace
