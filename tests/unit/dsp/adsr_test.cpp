// The envelope's stages against the closed forms of one-pole segments,
// computed in long double.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "dsp/adsr.h"

namespace {

long double coefficient(long double rate, long double ratio) {
    return std::exp(-std::log((1 + ratio) / ratio) / rate);
}

// Steps until the envelope leaves `state`; returns the number of steps taken.
int stepsInState(ADSR& env, int state, int limit = 1000000) {
    int steps = 0;
    while (env.state == state && steps < limit) {
        env.step();
        ++steps;
    }
    return steps;
}

TEST(ADSR, StartsIdleWithInstantStages) {
    ADSR env;
    EXPECT_EQ(env.state, ADSR::envIdle);
    EXPECT_EQ(env.output, 0.0f);
    EXPECT_EQ(env.attackRate, 0.0f);
    EXPECT_EQ(env.decayRate, 0.0f);
    EXPECT_EQ(env.releaseRate, 0.0f);
    EXPECT_EQ(env.attackCoef, 0.0f);
    EXPECT_EQ(env.decayCoef, 0.0f);
    EXPECT_EQ(env.releaseCoef, 0.0f);
    EXPECT_EQ(env.sustainLevel, 1.0f);
    EXPECT_EQ(env.targetRatioA, 0.3f);
    EXPECT_EQ(env.targetRatioDR, 0.0001f);
    EXPECT_FLOAT_EQ(env.attackBase, 1.3f);
    EXPECT_FLOAT_EQ(env.decayBase, 0.9999f);
    EXPECT_FLOAT_EQ(env.releaseBase, -0.0001f);
    EXPECT_EQ(env.step(), 0.0f);  // idle does not move
}

TEST(ADSR, CoefficientMatchesTheReference) {
    struct Case {
        float rate, ratio;
    };
    const Case cases[] = {{1, 0.3f}, {100, 0.3f}, {44100, 0.3f}, {10, 0.0001f}, {1000, 0.0001f}, {0.5f, 1e-9f}};
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(ADSR::calcCoef(c.rate, c.ratio), static_cast<float>(coefficient(c.rate, c.ratio)))
            << "rate " << c.rate << " ratio " << c.ratio;
    }
    // Zero means an instant stage; negative and NaN rates are treated alike.
    for (float rate : {0.0f, -0.0f, -5.0f, std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_EQ(ADSR::calcCoef(rate, 0.3f), 0.0f) << rate;
    }
}

TEST(ADSR, SettersKeepBasesConsistent) {
    ADSR env;
    env.setSustainLevel(0.6f);
    env.setAttackRate(100);
    env.setDecayRate(200);
    env.setReleaseRate(300);
    // 1 - c cancels most digits, so the bases are checked against the
    // coefficients as stored (rounded to float).
    const long double ca = static_cast<float>(coefficient(100, 0.3f));
    const long double cd = static_cast<float>(coefficient(200, 0.0001f));
    const long double cr = static_cast<float>(coefficient(300, 0.0001f));
    EXPECT_EQ(env.attackCoef, static_cast<float>(ca));
    EXPECT_EQ(env.attackRate, 100.0f);
    EXPECT_EQ(env.decayRate, 200.0f);
    EXPECT_EQ(env.releaseRate, 300.0f);
    EXPECT_FLOAT_EQ(env.attackBase, static_cast<float>(1.3L * (1 - ca)));
    EXPECT_FLOAT_EQ(env.decayBase, static_cast<float>((0.6L - 0.0001L) * (1 - cd)));
    EXPECT_FLOAT_EQ(env.releaseBase, static_cast<float>(-0.0001L * (1 - cr)));
    env.setSustainLevel(0.2f);
    EXPECT_FLOAT_EQ(env.decayBase, static_cast<float>((0.2L - 0.0001L) * (1 - cd)));
}

// Each stage follows target + (start - target) * c^k, c being the stored
// coefficient (checked above), and crosses its end after `rate` steps.
TEST(ADSR, StagesFollowTheirSegments) {
    const long double rA = 0.3f, rDR = 0.0001f;
    for (float rate : {1.0f, 10.0f, 100.0f, 1000.0f}) {
        SCOPED_TRACE(testing::Message() << "rate " << rate);
        ADSR env;
        env.setSustainLevel(0.0f);
        env.setAttackRate(rate);
        env.setDecayRate(rate);
        const long double ca = env.attackCoef, cd = env.decayCoef;
        env.gate(true);
        for (int k = 1; env.state == ADSR::envAttack; ++k) {
            env.step();
            const long double expected = std::min(1.0L, (1 + rA) * (1 - std::pow(ca, k)));
            ASSERT_NEAR(env.output, expected, 1e-5) << "attack step " << k;
        }
        // Decay towards sustain 0 from 1 aims at -ratio.
        for (int k = 1; env.state == ADSR::envDecay; ++k) {
            env.step();
            const long double expected = std::max(0.0L, -rDR + (1 + rDR) * std::pow(cd, k));
            ASSERT_NEAR(env.output, expected, 1e-5) << "decay step " << k;
        }
    }
}

TEST(ADSR, StagesEndAfterRateSteps) {
    for (float rate : {1.0f, 2.0f, 3.0f, 10.0f, 37.0f, 100.0f, 1000.0f, 10000.0f, 44100.0f}) {
        SCOPED_TRACE(testing::Message() << "rate " << rate);
        // Rounding may add a step; the float coefficient of a second-long
        // stage is itself off by ~0.1%.
        const float slack = rate > 10000 ? rate * 0.001f : 1.0f;
        ADSR env;
        env.setSustainLevel(0.0f);
        env.setAttackRate(rate);
        env.setDecayRate(rate);
        env.gate(true);
        const int attackSteps = stepsInState(env, ADSR::envAttack);
        EXPECT_GE(attackSteps, rate - (slack - 1));
        EXPECT_LE(attackSteps, rate + slack);
        EXPECT_EQ(env.output, 1.0f);
        EXPECT_EQ(env.state, ADSR::envDecay);

        const int decaySteps = stepsInState(env, ADSR::envDecay);
        EXPECT_GE(decaySteps, rate - (slack - 1));
        EXPECT_LE(decaySteps, rate + slack);
        EXPECT_EQ(env.output, 0.0f);
        EXPECT_EQ(env.state, ADSR::envSustain);

        ADSR release;
        release.setReleaseRate(rate);
        release.output = 1.0f;
        release.state = ADSR::envSustain;
        release.gate(false);
        const int releaseSteps = stepsInState(release, ADSR::envRelease);
        EXPECT_GE(releaseSteps, rate - (slack - 1));
        EXPECT_LE(releaseSteps, rate + slack);
        EXPECT_EQ(release.output, 0.0f);
        EXPECT_EQ(release.state, ADSR::envIdle);
    }
}

TEST(ADSR, ZeroRatesTakeOneStepEach) {
    ADSR env;
    env.setSustainLevel(0.4f);
    env.gate(true);
    EXPECT_EQ(env.step(), 1.0f);
    EXPECT_EQ(env.state, ADSR::envDecay);
    EXPECT_EQ(env.step(), 0.4f);
    EXPECT_EQ(env.state, ADSR::envSustain);
    EXPECT_EQ(env.step(), 0.4f);  // sustain holds
    env.gate(false);
    EXPECT_EQ(env.step(), 0.0f);
    EXPECT_EQ(env.state, ADSR::envIdle);
}

TEST(ADSR, FullSustainEndsDecayAtOnce) {
    ADSR env;
    env.setDecayRate(1000);
    env.gate(true);
    env.step();
    ASSERT_EQ(env.state, ADSR::envDecay);
    EXPECT_EQ(env.step(), 1.0f);
    EXPECT_EQ(env.state, ADSR::envSustain);
}

TEST(ADSR, ZeroSustainSitsAtZeroAndReleasesInOneStep) {
    ADSR env;
    env.setSustainLevel(0.0f);
    env.setDecayRate(50);
    env.setReleaseRate(5000);
    env.gate(true);
    stepsInState(env, ADSR::envAttack);
    stepsInState(env, ADSR::envDecay);
    for (int i = 0; i < 100; ++i) env.step();
    EXPECT_EQ(env.state, ADSR::envSustain);
    EXPECT_EQ(env.output, 0.0f);
    env.gate(false);
    EXPECT_EQ(env.step(), 0.0f);
    EXPECT_EQ(env.state, ADSR::envIdle);
}

TEST(ADSR, GatesAndReset) {
    ADSR env;
    env.gate(false);
    EXPECT_EQ(env.state, ADSR::envIdle);
    EXPECT_EQ(env.step(), 0.0f);

    // Retrigger during release: the attack starts from the current level.
    env.setReleaseRate(100);
    env.gate(true);
    env.step();  // attack rate 0: straight to 1
    env.gate(false);
    for (int i = 0; i < 10; ++i) env.step();
    const float level = env.output;
    ASSERT_GT(level, 0.3f);
    ASSERT_LT(level, 0.5f);
    env.setAttackRate(100);
    env.gate(true);
    EXPECT_EQ(env.state, ADSR::envAttack);
    const long double ca = env.attackCoef;
    EXPECT_FLOAT_EQ(env.step(), static_cast<float>(level * ca + 1.3L * (1 - ca)));
    EXPECT_GT(env.output, level);

    env.reset();
    EXPECT_EQ(env.state, ADSR::envIdle);
    EXPECT_EQ(env.output, 0.0f);
}

TEST(ADSR, TargetRatiosHaveAFloor) {
    const float floorValue = 9.9999997e-10f;
    for (float ratio : {0.0f, -1.0f, 1e-12f, std::numeric_limits<float>::quiet_NaN()}) {
        ADSR env;
        env.setTargetRatioA(ratio);
        env.setTargetRatioDR(ratio);
        EXPECT_EQ(env.targetRatioA, floorValue) << ratio;
        EXPECT_EQ(env.targetRatioDR, floorValue) << ratio;
        EXPECT_EQ(env.attackBase, 1.0f);  // rate 0: (1 - 0) * 1.000000001
        EXPECT_FLOAT_EQ(env.decayBase, 1.0f);
        EXPECT_TRUE(std::isfinite(env.releaseBase));
        env.setAttackRate(100);  // a finite coefficient needs a positive ratio
        EXPECT_GT(env.attackCoef, 0.0f);
        EXPECT_LT(env.attackCoef, 1.0f);
    }
}

TEST(ADSR, RatioChangeMovesOnlyTheBases) {
    ADSR env;
    env.setSustainLevel(0.5f);
    env.setAttackRate(100);
    env.setDecayRate(200);
    env.setReleaseRate(300);
    const float attackCoef = env.attackCoef, decayCoef = env.decayCoef, releaseCoef = env.releaseCoef;
    env.setTargetRatioA(0.01f);
    env.setTargetRatioDR(0.001f);
    EXPECT_EQ(env.attackCoef, attackCoef);
    EXPECT_EQ(env.decayCoef, decayCoef);
    EXPECT_EQ(env.releaseCoef, releaseCoef);
    EXPECT_EQ(env.targetRatioA, 0.01f);
    EXPECT_EQ(env.targetRatioDR, 0.001f);
    // The bases use the new ratios with the coefficients of the old ones.
    const long double ca = attackCoef, cd = decayCoef, cr = releaseCoef;
    EXPECT_FLOAT_EQ(env.attackBase, static_cast<float>((1 + 0.01L) * (1 - ca)));
    EXPECT_FLOAT_EQ(env.decayBase, static_cast<float>((0.5L - 0.001L) * (1 - cd)));
    EXPECT_FLOAT_EQ(env.releaseBase, static_cast<float>(-0.001L * (1 - cr)));
}

}  // namespace
