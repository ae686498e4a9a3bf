// Pitch tables and semitone stepping, against long double references.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dsp/pitch_tables.h"

namespace {

class PitchTables : public ::testing::Test {
protected:
    void SetUp() override { makeFrequencyTab(); }
};

TEST_F(PitchTables, EveryEntryIsItsRatioRoundedOnce) {
    for (int i = 0; i < 49; ++i) {
        const long double expected = 0.25L * std::pow(1.059463094359L, i);
        EXPECT_FLOAT_EQ(semitonesTab[i], static_cast<float>(expected)) << "semitone entry " << i;
    }
    for (int i = 0; i < 201; ++i) {
        const long double expected = 0.9438743126819565L * std::pow(1.0005777895065548L, i);
        EXPECT_FLOAT_EQ(centsTab[i], static_cast<float>(expected)) << "cent entry " << i;
    }
}

TEST_F(PitchTables, TellingEntries) {
    struct Entry {
        const float* table;
        int index;
        float value;
    };
    const Entry entries[] = {
        {semitonesTab, 0, 0.25f},       {semitonesTab, 12, 0.5f},     {semitonesTab, 23, 0.9438743f},
        {semitonesTab, 24, 1.0f},       {semitonesTab, 25, 1.0594631f}, {semitonesTab, 36, 2.0f},
        {semitonesTab, 48, 4.0f},       {centsTab, 0, 0.9438743f},    {centsTab, 99, 0.99942255f},
        {centsTab, 100, 1.0f},          {centsTab, 101, 1.0005778f},  {centsTab, 200, 1.0594631f},
    };
    for (const Entry& e : entries) {
        EXPECT_EQ(e.table[e.index], e.value) << (e.table == semitonesTab ? "semitones" : "cents") << "[" << e.index << "]";
    }
}

// Other plug-in objects' audio threads read the tables while a new object
// is made: a second fill would write under them.
TEST_F(PitchTables, FilledOncePerProcess) {
    const float semitone = semitonesTab[5], cent = centsTab[37];
    EXPECT_FLOAT_EQ(semitone, static_cast<float>(0.25L * std::pow(1.059463094359L, 5)));
    semitonesTab[5] = 0.0f;
    centsTab[37] = 0.0f;
    makeFrequencyTab();
    EXPECT_EQ(semitonesTab[5], 0.0f);
    EXPECT_EQ(centsTab[37], 0.0f);
    semitonesTab[5] = semitone;
    centsTab[37] = cent;
}

TEST_F(PitchTables, ParamToPitchTruncatesAndClampsTheIndex) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float x;
        int index;
    };
    const Case cases[] = {
        {0.0f, 0},   {0.5f, 24},  {1.0f, 48},   {0.999f, 47},  // truncated, not rounded
        {0.51f, 24},                                           // 24.48
        {0.99999f, 48},                                        // 47.9995: within a thousandth of a step
        {0.25f, 12}, {0.75f, 36}, {0.0208f, 0},                // 0.9984 stays on the first step
        {-0.5f, 0},  {-inf, 0},   {1.5f, 48},   {inf, 48},  {nan, 24},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(paramToPitch(c.x), semitonesTab[c.index]) << "x = " << c.x;
    }
    EXPECT_EQ(paramToPitch(0.5f), 1.0f);
    EXPECT_EQ(paramToPitch(1.0f), 4.0f);
    EXPECT_FLOAT_EQ(paramToPitch(0.999f), 3.7754972f);
    // Every step as the editor sends it, k / 48 in single precision, some
    // of which fall a hair below k / 48.
    for (int k = 0; k <= 48; k++)
        EXPECT_EQ(paramToPitch(static_cast<float>(k) / 48.0f), semitonesTab[k]) << "step " << k;
}

TEST(PitchSemitoneRatio, StepsFromNoteSixty) {
    EXPECT_EQ(semitoneRatio(0), 1.0);
    for (int k : {1, 7, 12, 24, 67}) {
        EXPECT_NEAR(semitoneRatio(k), std::pow(1.059463094359L, k), 1e-14L * std::pow(1.06L, k)) << k;
        EXPECT_NEAR(semitoneRatio(-k), std::pow(1.059463094359L, -k), 1e-14L) << -k;
    }
    // The truncated step makes an octave slightly short of 2.
    EXPECT_LT(semitoneRatio(12), 2.0);
    EXPECT_GT(semitoneRatio(-12), 0.5);
    // Division, not multiplication by a rounded reciprocal, for notes below 60.
    double divided = 1.0;
    for (int i = 0; i < 12; ++i) divided /= 1.059463094359;
    EXPECT_EQ(semitoneRatio(-12), divided);
}

}  // namespace
