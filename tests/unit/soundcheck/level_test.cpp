// Level, decay and stereo figures of tones made here, whose answers are
// known in closed form.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "tools/soundcheck/level.h"

namespace {

constexpr int kRate = 44100;
constexpr size_t kRelease = 3 * kRate;
constexpr size_t kFrames = 4 * kRate;
constexpr double kHz = 1000.0;

double sine(size_t i, double phase = 0.0) { return std::sin(2.0 * std::numbers::pi * kHz * i / kRate + phase); }

// A tone sounding from frame 0, held or decaying exponentially with time
// constant tau, in both channels alike.
std::vector<float> tone(double amplitude, std::optional<double> tau) {
    std::vector<float> out(kFrames);
    for (size_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        out[i] = static_cast<float>(amplitude * (tau ? std::exp(-t / *tau) : 1.0) * sine(i));
    }
    return out;
}

struct DecayCase {
    std::optional<double> tau;
    std::optional<double> fall20;  // the level falls 20 dB once exp(-t/tau) = 0.1
    bool at3s;
};

TEST(HeldNote, FallTimeAndLevelAtThreeSecondsOfKnownDecays) {
    const DecayCase cases[] = {
        {std::nullopt, std::nullopt, true},
        {0.05, 0.05 * std::log(10.0), false},
        {0.3, 0.3 * std::log(10.0), false},
        // Under 30 dB down only after 3.45 s: still sounding at 3 s.
        {1.0, std::log(10.0), true},
    };
    for (const DecayCase& c : cases) {
        SCOPED_TRACE(c.tau ? *c.tau : 0.0);
        const std::vector<float> wave = tone(0.5, c.tau);
        const HeldNoteFigures figures = measureHeldNote(wave.data(), wave.data(), kFrames, kRate, kRelease);
        ASSERT_EQ(figures.fall20.has_value(), c.fall20.has_value());
        if (c.fall20) {
            EXPECT_NEAR(*figures.fall20, *c.fall20, 0.003);
        }
        EXPECT_EQ(figures.at3s, c.at3s);
    }
}

TEST(HeldNote, PeakIsTheRmsOfTheLoudest400Milliseconds) {
    const std::vector<float> steady = tone(0.5, std::nullopt);
    EXPECT_NEAR(measureHeldNote(steady.data(), steady.data(), kFrames, kRate, kRelease).peak400Db,
                20.0 * std::log10(0.5 / std::sqrt(2.0)), 0.01);

    // Louder on one side only: both channels count, each half.
    const std::vector<float> quiet = tone(0.1, std::nullopt);
    const double expected = 10.0 * std::log10((0.25 + 0.01) / 4.0);
    EXPECT_NEAR(measureHeldNote(steady.data(), quiet.data(), kFrames, kRate, kRelease).peak400Db, expected, 0.01);

    const std::vector<float> silence(kFrames, 0.0f);
    const HeldNoteFigures silent = measureHeldNote(silence.data(), silence.data(), kFrames, kRate, kRelease);
    EXPECT_TRUE(std::isinf(silent.peak400Db) && silent.peak400Db < 0);
    EXPECT_FALSE(silent.fall20.has_value());
    EXPECT_FALSE(silent.at3s);
}

// A tone that starts late: the silence before it is no fall.
TEST(HeldNote, SilenceBeforeTheSoundIsNoFall) {
    std::vector<float> wave = tone(0.5, std::nullopt);
    std::fill_n(wave.begin(), kRate / 2, 0.0f);
    EXPECT_FALSE(measureHeldNote(wave.data(), wave.data(), kFrames, kRate, kRelease).fall20.has_value());
}

struct WidthCase {
    const char* what;
    double rightGain, rightPhase;
    double sideToMidDb, correlation;
};

TEST(StereoWidth, SideToMidAndCorrelation) {
    const WidthCase cases[] = {
        {"mono", 1.0, 0.0, -kWidthLimitDb, 1.0},
        {"right at half level", 0.5, 0.0, 20.0 * std::log10(0.5 / 1.5), 1.0},
        {"quarter period apart", 1.0, std::numbers::pi / 2, 0.0, 0.0},
        {"opposite", 1.0, std::numbers::pi, kWidthLimitDb, -1.0},
    };
    for (const WidthCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<float> left(kRate), right(kRate);
        for (size_t i = 0; i < left.size(); ++i) {
            left[i] = static_cast<float>(0.5 * sine(i));
            right[i] = static_cast<float>(0.5 * c.rightGain * sine(i, c.rightPhase));
        }
        const StereoWidth width = stereoWidth(left.data(), right.data(), 0, left.size());
        EXPECT_NEAR(width.sideToMidDb, c.sideToMidDb, 0.01);
        EXPECT_NEAR(width.correlation, c.correlation, 0.001);
    }
}

}  // namespace
