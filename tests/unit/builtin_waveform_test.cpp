// The built-in sounds as the plug-in embeds them: length and guard frame,
// level, DC, clean ends and tuning; and the pitch estimator these rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "pitch_estimate.h"
#include "resources/builtin_waveforms.h"

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double sampleRate = 44100;

double noteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

struct Builtin {
    const char* name;
    const float* data;
    int frames;
    int channels;
    int rootNote;
    bool pitched;
};

const Builtin builtins[] = {
    {"coin", coin, coinFrames, 1, 60, true},
};

std::vector<double> channelOf(const Builtin& b, int channel) {
    std::vector<double> out(b.frames);
    for (int i = 0; i < b.frames; ++i) out[i] = b.data[i * b.channels + channel];
    return out;
}

std::vector<double> monoMix(const Builtin& b) {
    std::vector<double> out(b.frames, 0.0);
    for (int c = 0; c < b.channels; ++c) {
        const std::vector<double> one = channelOf(b, c);
        for (int i = 0; i < b.frames; ++i) out[i] += one[i] / b.channels;
    }
    return out;
}

// A tone of partials {ratio, gain}, optionally dying away with a time constant.
std::vector<double> tone(double hz, std::vector<std::pair<double, double>> partials, double decaySeconds = 0,
                         int frames = 16384) {
    std::vector<double> out(frames, 0.0);
    for (int i = 0; i < frames; ++i) {
        const double t = i / sampleRate;
        for (const auto& [ratio, gain] : partials) out[i] += gain * std::sin(2 * pi * hz * ratio * t);
        if (decaySeconds > 0) out[i] *= std::exp(-t / decaySeconds);
    }
    return out;
}

TEST(PitchEstimate, FindsTheFundamentalOfKnownTones) {
    struct Case {
        const char* what;
        double hz;
        std::vector<std::pair<double, double>> partials;
        double decaySeconds;
    };
    const Case cases[] = {
        {"low sine", 55, {{1, 1}}, 0},
        {"middle C sine", 261.6256, {{1, 1}}, 0},
        {"sine between bins", 1000.7, {{1, 1}}, 0},
        {"high sine", 1975.53, {{1, 1}}, 0},
        {"saw-like, strong harmonics", 220, {{1, 1}, {2, 0.5}, {3, 0.33}, {4, 0.25}, {5, 0.2}}, 0},
        {"weak fundamental", 196, {{1, 0.2}, {2, 1}, {3, 0.6}}, 0},
        {"fast decay", 523.2511, {{1, 1}, {3, 0.3}}, 0.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const double hz = pitch::estimateHz(tone(c.hz, c.partials, c.decaySeconds), sampleRate, 1000);
        EXPECT_NEAR(pitch::centsBetween(hz, c.hz), 0.0, 1.0) << hz << " Hz";
    }
}

TEST(PitchEstimate, OctavesOfTheReferenceCount) {
    EXPECT_NEAR(pitch::centsFromOctaves(523.2511, 261.6256), 0.0, 0.01);
    EXPECT_NEAR(pitch::centsFromOctaves(130.8128, 261.6256), 0.0, 0.01);
    EXPECT_NEAR(pitch::centsFromOctaves(277.1826, 261.6256), 100.0, 0.01);
    EXPECT_GT(std::fabs(pitch::centsFromOctaves(1046.502, 261.6256)), 1000.0);
}

TEST(BuiltinWaveform, CoinIsTheDefaultLength) { EXPECT_EQ(coinFrames, 20108); }

TEST(BuiltinWaveform, EachEndsWithAGuardFrameEqualToFrameZero) {
    for (const Builtin& b : builtins) {
        SCOPED_TRACE(b.name);
        const float* guard = b.data + std::size_t(b.frames) * b.channels;
        EXPECT_EQ(std::memcmp(guard, b.data, b.channels * sizeof(float)), 0);
    }
}

TEST(BuiltinWaveform, LevelIsHighWithoutClippingOrDc) {
    for (const Builtin& b : builtins) {
        for (int c = 0; c < b.channels; ++c) {
            SCOPED_TRACE(std::string(b.name) + " channel " + std::to_string(c));
            const std::vector<double> x = channelOf(b, c);
            double peak = 0, sum = 0;
            for (double v : x) {
                ASSERT_TRUE(std::isfinite(v));
                peak = std::max(peak, std::fabs(v));
                sum += v;
            }
            EXPECT_LE(peak, 1.0);
            EXPECT_GT(peak, 0.5);
            EXPECT_LT(std::fabs(sum / b.frames), 1e-3);
        }
    }
}

TEST(BuiltinWaveform, StartsAndEndsAtSilenceWithoutAClick) {
    constexpr int edge = 10;
    for (const Builtin& b : builtins) {
        for (int c = 0; c < b.channels; ++c) {
            SCOPED_TRACE(std::string(b.name) + " channel " + std::to_string(c));
            const std::vector<double> x = channelOf(b, c);
            for (int i = 0; i < edge; ++i) {
                EXPECT_LT(std::fabs(x[i]), 0.01) << "frame " << i;
                EXPECT_LT(std::fabs(x[b.frames - 1 - i]), 0.01) << "frame " << b.frames - 1 - i;
            }
        }
    }
}

TEST(BuiltinWaveform, PitchedSoundsAreInTuneWithTheirRootNote) {
    for (const Builtin& b : builtins) {
        if (!b.pitched) continue;
        const std::vector<double> x = monoMix(b);
        // Early, just past the attack, and later into the decay: one pitch throughout.
        for (double seconds : {0.02, 0.15}) {
            SCOPED_TRACE(std::string(b.name) + " at " + std::to_string(seconds) + " s");
            const double hz = pitch::estimateHz(x, sampleRate, static_cast<std::size_t>(seconds * sampleRate));
            ASSERT_GT(hz, 0.0);
            EXPECT_NEAR(pitch::centsFromOctaves(hz, noteHz(b.rootNote)), 0.0, 10.0) << hz << " Hz";
        }
    }
}

}  // namespace
