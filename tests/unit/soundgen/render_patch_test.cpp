// The generator's voice: what a patch's filter shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <stdexcept>

#include "tools/soundgen/dsp.h"
#include "tools/soundgen/synth.h"

namespace {

using namespace soundgen;

double rms(const std::vector<double>& x) {
    double sum = 0;
    for (double v : x) sum += v * v;
    return std::sqrt(sum / double(x.size()));
}

// A source an octave and more above a low cutoff loses most of its level
// to the filter, whichever kind of source it is; only noise marked
// unfiltered passes around it.
TEST(RenderPatch, TheFilterShapesEveryPitchedSource) {
    Noise unfiltered;
    unfiltered.envelope = {1, 0, 0, 1};
    struct Case {
        const char* source;
        Patch patch;
        bool filtered;
    };
    const Case cases[] = {
        {"oscillator", Patch().with(sineOsc().at(36)), true},
        {"partial", Patch().with(std::vector<Mode>{{8, 1, 0}}), true},
        {"fm pair", Patch().with(FmPair{8, 8, 0}), true},
        {"unfiltered noise", Patch().with(unfiltered), false},
    };
    for (const Case& c : cases) {
        const Patch open = c.patch.envelope(1, 0, 1);
        const double plain = rms(renderPatch(open, 22050, 1, 44100, 220, 1)[0]);
        const double shaped = rms(renderPatch(open.lowpass(300, 0.707, 0, 100, 4), 22050, 1, 44100, 220, 1)[0]);
        ASSERT_GT(plain, 0.1) << c.source;
        if (c.filtered)
            EXPECT_LT(shaped, 0.01 * plain) << c.source;
        else
            EXPECT_NEAR(shaped, plain, 1e-9) << c.source;
    }
}

}  // namespace

namespace {

// With a loop, the end repeats with its period: vibrato, a filter sweep,
// tremolo, unison and noise all come round in whole cycles. A patch still
// changing where the loop would start is refused.
TEST(RenderPatch, ALoopedEndRepeatsWithItsPeriod) {
    Noise breath;
    breath.level = 0.1;
    breath.envelope = {10, 0, 0, 1};
    breath.filtered = true;
    Patch held = Patch().with(sawOsc().voices(3, 12)).with(breath).vibrate(5.3, 8).lowpass(2000).sweep(0.7, 0.5);
    held.tremoloHz = 4.1;
    held.tremoloDepth = 0.2;
    held = held.envelope(50, 0, 1);
    constexpr int frames = 60000, loop = 22050;
    for (const int channels : {1, 2}) {
        const Channels x = renderPatch(held, frames, channels, 44100, 220, 7, loop);
        for (const auto& signal : x) {
            double worst = 0;
            for (int k = 0; k < 2000; ++k) worst = std::max(worst, std::fabs(signal[frames - 1 - k] - signal[frames - 1 - loop - k]));
            EXPECT_LT(worst, 1e-6) << channels << " channels";
        }
    }
    EXPECT_THROW(renderPatch(held.envelope(50, 400, 0.5), frames, 1, 44100, 220, 7, loop), std::runtime_error);
    EXPECT_THROW(renderPatch(held.vibrate(5, 8, 2000), frames, 1, 44100, 220, 7, loop), std::runtime_error);
}

// Band-limited for octaves up: nothing above 0.45 times the rate, halved
// for each octave, so that a voice playing the sound that far up folds
// nothing back.
TEST(RenderPatch, CleanOctavesLeaveTheTopEmpty) {
    const Patch saw = Patch().with(sawOsc()).envelope(1, 0, 1);
    constexpr int size = 16384;
    for (const double octaves : {0.0, 2.0}) {
        const std::vector<double> x = renderPatch(saw, size, 1, 44100, 440, 1, 0, octaves)[0];
        std::vector<std::complex<double>> bins(size);
        for (int i = 0; i < size; ++i) bins[i] = x[i] * (0.5 - 0.5 * std::cos(2 * pi * i / size));
        fft(bins, -1);
        // Above what two octaves up leaves: the full band has plenty there.
        double below = 0, above = 0;
        const double top = 0.45 * 44100 / 4;
        for (int b = 1; b < size / 2; ++b) (b * 44100.0 / size < top + 200 ? below : above) += std::norm(bins[b]);
        const double ratio = 10 * std::log10(above / below + 1e-30);
        if (octaves == 0) {
            EXPECT_GT(ratio, -30) << "a saw fills the band";
        } else {
            EXPECT_LT(ratio, -80) << "energy above " << top << " Hz";
        }
    }
}

}  // namespace
