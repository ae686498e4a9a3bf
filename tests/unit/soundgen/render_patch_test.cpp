// The generator's voice: what a patch's filter shapes.
#include <gtest/gtest.h>

#include <cmath>

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
