// The delay: its parameters, its length rules and the echo it adds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "dsp/delay.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr int kRefused = -1;

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(int frames, float l = 0.0f, float r = 0.0f) : left(frames, l), right(frames, r) {}
};

// Runs the delay over the buffers in blocks of `block` frames.
void run(Delay& delay, Stereo& io, int block = 64) {
    const int frames = static_cast<int>(io.left.size());
    for (int start = 0; start < frames; start += block) {
        float* outputs[2] = {io.left.data() + start, io.right.data() + start};
        delay.process(outputs, std::min(block, frames - start));
    }
}

// A short active line: time 7, no feedback, wet 0.5.
Delay makeShortDelay() {
    Delay delay;
    delay.setTime(7);
    delay.setParameter(Delay::kFeedback, 0.0f);
    delay.setParameter(Delay::kVolume, 0.5f);
    delay.setParameter(Delay::kActive, 1.0f);
    return delay;
}

TEST(Delay, ParametersStartAsListed) {
    struct Expected {
        const char* name;
        int steps, mark;
        float value;
    };
    const Expected expected[] = {
        {"time", 8, 5, 0.625f},  {"feedback", 100, 15, 0.0f}, {"volume", 100, 25, 0.5f}, {"spread", 100, 0, 0.0f},
        {"active", 1, 0, 0.0f},  {"sync", 1, 0, 1.0f},        {"pingpong", 1, 0, 0.0f},  {"default", 100, 0, 0.0f},
    };
    Delay delay(44100);
    ASSERT_EQ(delay.getParameterCount(), 8);
    EXPECT_EQ(delay.getCapacity(), 4 * 44100 + 1);
    EXPECT_EQ(delay.getSampleRate(), 44100);
    const Parameter* parameters = delay.getParameters();
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(parameters[i].name, expected[i].name);
        EXPECT_STREQ(delay.getParameterName(i), expected[i].name);
        EXPECT_EQ(parameters[i].steps, expected[i].steps);
        EXPECT_EQ(parameters[i].offset, 0);
        EXPECT_EQ(parameters[i].mark, expected[i].mark);
        EXPECT_EQ(delay.getParameter(i), expected[i].value);
    }
    EXPECT_STREQ(delay.getParameterName(8), "");
    EXPECT_FALSE(delay.isActive());
    EXPECT_TRUE(delay.isSynced());
    EXPECT_EQ(delay.getSamplesPerBeat(), 22050.0);
    EXPECT_EQ(delay.getTime(), 11025);  // the default time value: half a beat

    Stereo io(100, 0.25f, -0.5f);  // inactive: untouched
    run(delay, io);
    EXPECT_EQ(io.left[99], 0.25f);
    EXPECT_EQ(io.right[99], -0.5f);
}

TEST(Delay, InitDataWritesRecordsZeroToSix) {
    ParameterRecord records[8];
    for (ParameterRecord& r : records) r = {42.0f, -7, -7, -7};
    Delay delay(44100);
    delay.initData();  // unbound: nothing to write, nothing to crash
    delay.setSharedRecords(records);
    delay.initData();
    const ParameterRecord expected[7] = {
        {0.625f, 8, 0, 5}, {0.0f, 100, 0, 15}, {0.5f, 100, 0, 25}, {0.0f, 100, 0, 0},
        {0.0f, 1, 0, -7},  {1.0f, 1, 0, -7},   {0.0f, 1, 0, -7},  // the switches' marks stay
    };
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].value, expected[i].value);
        EXPECT_EQ(records[i].steps, expected[i].steps);
        EXPECT_EQ(records[i].offset, expected[i].offset);
        EXPECT_EQ(records[i].mark, expected[i].mark);
    }
    EXPECT_EQ(records[7].value, 42.0f);
    EXPECT_EQ(records[7].steps, -7);
}

struct TimeCase {
    float x;
    int frames;  // kRefused: the previous length stays
};

void expectTimes(Delay& delay, const std::vector<TimeCase>& cases) {
    const int previous = 1234;
    for (const TimeCase& c : cases) {
        delay.setTime(previous);
        delay.setParameter(Delay::kTime, c.x);
        EXPECT_EQ(delay.getTime(), c.frames == kRefused ? previous : c.frames) << "time " << c.x;
    }
}

TEST(Delay, SyncedTimeIsANoteValueOfTheBeat) {
    Delay delay(44100);
    delay.setSamplePerBeat(120.0, 44100.0);  // 22050 frames a beat
    expectTimes(delay, {
                           {0.0f, 344},       // 1/64 beat, 344.53 truncated
                           {0.124f, 344},     // still k = 0
                           {-0.1f, 344},      // -0.8 truncates to k = 0
                           {0.125f, 689},     // 1/32
                           {0.25f, 1378},     // 1/16
                           {0.375f, 2756},    // 1/8
                           {0.5f, 5512},      // 1/4
                           {0.625f, 11025},   // 1/2
                           {0.75f, 22050},    // 1 beat
                           {0.875f, 44100},   // 2 beats
                           {1.0f, 44100},
                           {1.2f, 44100},     // above 1 counts as 1, as for every value
                           {1e30f, 44100},
                           {kInfinity, 44100},
                           {-0.2f, 1},        // k = -1: no note value
                           {kNaN, 1},
                       });
}

// The line holds two beats down to 30 bpm, and a second of free time, at
// every rate; lengths in seconds do not depend on the rate.
TEST(Delay, LineIsSizedFromTheSampleRate) {
    for (int rate : {8000, 44100, 48000, 96000, 192000, 384000}) {
        SCOPED_TRACE(rate);
        Delay delay(rate);
        EXPECT_EQ(delay.getCapacity(), 4 * rate + 1);
        delay.setSamplePerBeat(30.0, rate);
        expectTimes(delay, {{1.0f, 4 * rate}, {0.75f, 2 * rate}});
        delay.setSamplePerBeat(29.0, rate);
        expectTimes(delay, {{1.0f, kRefused}, {0.75f, static_cast<int>(rate * 60.0 / 29.0)}});
        delay.setParameter(Delay::kSync, 0.0f);
        expectTimes(delay, {{0.5f, rate / 2}, {1.0f, rate}, {1.01f, rate}});
    }
    EXPECT_EQ(Delay(0).getSampleRate(), 44100);  // unusable rates play as 44100
    EXPECT_EQ(Delay(500000).getCapacity(), 4 * 44100 + 1);
}

TEST(Delay, SyncedLengthFollowsTempoAndRate) {
    Delay delay(44100);
    delay.setParameter(Delay::kTime, 0.75f);  // one beat
    ASSERT_EQ(delay.getTime(), 22050);
    delay.setSamplePerBeat(90.0, 44100.0);
    EXPECT_EQ(delay.getTime(), 29400);

    std::vector<float> line(Delay::lineFramesFor(96000));
    delay.setSampleRate(96000, line);
    EXPECT_EQ(line.size(), static_cast<std::size_t>(4 * 44100 + 1));  // the old line, for the caller to free
    EXPECT_EQ(delay.getCapacity(), 4 * 96000 + 1);
    EXPECT_EQ(delay.getTime(), 64000);  // still 2/3 of a second
    delay.setSamplePerBeat(90.0, 96000.0);
    EXPECT_EQ(delay.getTime(), 64000);

    std::vector<float> wrong(1000);
    delay.setSampleRate(48000, wrong);  // a line of the wrong size changes nothing
    EXPECT_EQ(delay.getSampleRate(), 96000);
    EXPECT_EQ(wrong.size(), 1000u);
}

TEST(Delay, UnsyncedTimeIsAFractionOfASecond) {
    Delay delay(44100);
    delay.setParameter(Delay::kSync, 0.0f);
    expectTimes(delay, {
                           {0.5f, 22050},
                           {0.0f, 1},
                           {0.25f, 11025},
                           {0.999f, 44055},  // 44055.9 truncated
                           {1.0f, 44100},
                           {1.5f, 44100},     // above 1 counts as 1, as for every value
                           {kInfinity, 44100},
                           {-0.5f, 1},
                           {kNaN, 1},
                       });
    // A new rate keeps a free length's time in seconds.
    delay.setParameter(Delay::kTime, 0.25f);
    std::vector<float> line(Delay::lineFramesFor(22050));
    delay.setSampleRate(22050, line);
    EXPECT_EQ(delay.getTime(), 5512);
}

TEST(Delay, SyncToggleRecomputesFromTheStoredTime) {
    Delay delay(44100);
    delay.setSamplePerBeat(120.0, 44100.0);
    delay.setParameter(Delay::kTime, 0.625f);
    ASSERT_EQ(delay.getTime(), 11025);

    delay.setParameter(Delay::kSync, 0.2f);
    EXPECT_FALSE(delay.isSynced());
    EXPECT_EQ(delay.getParameter(Delay::kSync), 0.0f);
    EXPECT_EQ(delay.getParameters()[Delay::kTime].steps, 100);
    EXPECT_EQ(delay.getTime(), 11025);  // kept until the time changes
    delay.setParameter(Delay::kTime, 0.5f);
    EXPECT_EQ(delay.getTime(), 22050);

    // A tempo change alone does not move the length; turning sync on does.
    delay.setSamplePerBeat(60.0, 44100.0);
    EXPECT_EQ(delay.getTime(), 22050);
    delay.setParameter(Delay::kSync, 0.9f);
    EXPECT_TRUE(delay.isSynced());
    EXPECT_EQ(delay.getParameters()[Delay::kTime].steps, 8);
    EXPECT_EQ(delay.getTime(), 11025);  // 0.5 -> a quarter of 44100
}

TEST(Delay, BeatLengthIgnoresUnusableTempo) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Delay delay(44100);
    delay.setSamplePerBeat(140.0, 48000.0);
    const double expected = 48000.0 * 60.0 / 140.0;
    EXPECT_DOUBLE_EQ(delay.getSamplesPerBeat(), expected);
    const double bad[][2] = {{0, 44100}, {120, 0}, {-120, 44100}, {120, -44100}, {nan, 44100},
                             {120, nan}, {inf, 44100}, {120, inf}, {1e-320, 44100}};
    for (const auto& b : bad) {
        delay.setSamplePerBeat(b[0], b[1]);
        EXPECT_DOUBLE_EQ(delay.getSamplesPerBeat(), expected) << b[0] << " bpm at " << b[1];
    }
}

TEST(Delay, SwitchesStoreZeroOrOneWhileTheSharedRecordKeepsTheRawValue) {
    ParameterRecord records[8] = {};
    Delay delay(44100);
    delay.setSharedRecords(records);
    struct Case {
        float x, stored;
    };
    const Case cases[] = {{0.7f, 1.0f}, {0.5f, 1.0f}, {0.49f, 0.0f}, {0.0f, 0.0f}, {1.0f, 1.0f}};
    for (int index : {Delay::kActive, Delay::kSync, Delay::kPingpong}) {
        for (const Case& c : cases) {
            delay.setParameter(index, c.x);
            EXPECT_EQ(delay.getParameter(index), c.stored) << "index " << index << " x " << c.x;
            EXPECT_EQ(records[index].value, c.x) << "index " << index;
        }
    }
    delay.setParameter(Delay::kActive, 0.7f);
    EXPECT_TRUE(delay.isActive());
    delay.setParameter(Delay::kActive, kNaN);
    EXPECT_FALSE(delay.isActive());
    EXPECT_EQ(delay.getParameter(Delay::kActive), 0.0f);
    // The other values are stored as given.
    for (int index : {Delay::kFeedback, Delay::kVolume, Delay::kSpread, Delay::kDefault}) {
        delay.setParameter(index, 0.33f);
        EXPECT_EQ(delay.getParameter(index), 0.33f) << index;
        EXPECT_EQ(records[index].value, 0.33f) << index;
    }
}

TEST(Delay, IndexesOutsideTheParametersAreIgnored) {
    ParameterRecord records[10];
    for (ParameterRecord& r : records) r = {42.0f, 0, 0, 0};
    Delay delay(44100);
    delay.setSharedRecords(records + 1);
    for (int index : {-1, 8, 1000, std::numeric_limits<int>::min()}) delay.setParameter(index, 0.9f);
    for (const ParameterRecord& r : records) EXPECT_EQ(r.value, 42.0f);
    EXPECT_EQ(delay.getParameter(-1), 0.0f);
    EXPECT_EQ(delay.getParameter(8), 0.0f);
}

TEST(Delay, EchoesTheMonoMixOnceWithoutFeedback) {
    Delay delay = makeShortDelay();
    Stereo io(40);
    io.left[0] = 0.6f;
    io.right[0] = 0.3f;
    io.left[3] = 0.1f;  // a second dry sound, echoed on its own
    run(delay, io, 5);  // blocks that split the line's passes
    const double echo0 = 0.5 * (0.6 + 0.3) / 1.5, echo3 = 0.5 * 0.1 / 1.5;
    for (int i = 0; i < 40; ++i) {
        const double wet = i == 7 ? echo0 : i == 10 ? echo3 : 0.0;
        const double dryLeft = i == 0 ? 0.6 : i == 3 ? 0.1 : 0.0, dryRight = i == 0 ? 0.3 : 0.0;
        EXPECT_NEAR(io.left[i], dryLeft + wet, 1e-7) << "frame " << i;
        EXPECT_NEAR(io.right[i], dryRight + wet, 1e-7) << "frame " << i;
    }
}

TEST(Delay, FeedbackRepeatsTheEchoFromTheDryFeed) {
    Delay delay = makeShortDelay();
    delay.setParameter(Delay::kFeedback, 0.5f);
    Stereo io(30);
    io.left[0] = 0.75f;
    io.right[0] = 0.75f;
    run(delay, io, 30);
    // Line value 1.0 comes back halved every 7 frames; the echo added to the
    // output is not fed back.
    for (int i = 1; i < 30; ++i) {
        const double expected = i % 7 == 0 ? 0.5 * std::pow(0.5, i / 7 - 1) : 0.0;
        EXPECT_NEAR(io.left[i], expected, 1e-7) << "frame " << i;
        EXPECT_NEAR(io.right[i], expected, 1e-7) << "frame " << i;
    }
}

TEST(Delay, OutOfRangeGainsAreClamped) {
    Delay delay = makeShortDelay();
    delay.setParameter(Delay::kFeedback, 3.0f);  // used as 1: the echo neither grows nor fades
    delay.setParameter(Delay::kVolume, 2.0f);    // used as 1
    Stereo io(50);
    io.left[0] = 1.5f;
    run(delay, io);
    for (int i : {7, 14, 21, 28, 35, 42, 49}) EXPECT_NEAR(io.left[i], 1.0, 1e-6) << i;
    EXPECT_EQ(delay.getParameter(Delay::kFeedback), 3.0f);

    delay.setParameter(Delay::kVolume, kNaN);  // used as 0: silent, no NaN
    Stereo quiet(20);
    run(delay, quiet);
    for (float v : quiet.left) EXPECT_EQ(v, 0.0f);
}

TEST(Delay, SwitchingOffClearsTheLine) {
    Delay delay = makeShortDelay();
    Stereo io(4, 0.9f, 0.9f);
    run(delay, io);
    delay.setParameter(Delay::kActive, 0.0f);
    Stereo bypass(20, 0.2f, 0.1f);
    run(delay, bypass);
    EXPECT_EQ(bypass.left[5], 0.2f);  // off: untouched
    delay.setParameter(Delay::kActive, 1.0f);
    Stereo silence(20);
    run(delay, silence);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(silence.left[i], 0.0f) << i;
}

// A length change while the echo runs fades from the old tap to the new one
// in 20 ms: a moving tempo must not click.
TEST(Delay, LengthChangesCrossfadeBetweenTaps) {
    const int frames = 8000, change = 4000;
    auto wetAcrossAChange = [&](int newTime) {
        Delay delay = makeShortDelay();
        delay.setParameter(Delay::kVolume, 1.0f);
        delay.setTime(1000);
        Stereo io(frames);
        std::vector<float> dry(frames);
        for (int i = 0; i < frames; i++) dry[i] = io.left[i] = static_cast<float>(0.5 * std::sin(i * 0.05));
        float* first[2] = {io.left.data(), io.right.data()};
        delay.process(first, change);
        delay.setTime(newTime);
        float* second[2] = {io.left.data() + change, io.right.data() + change};
        delay.process(second, frames - change);
        for (int i = 0; i < frames; i++) io.left[i] -= dry[i];
        return io.left;
    };
    const std::vector<float> wet = wetAcrossAChange(1031);  // a tap half a period away
    const double echo = 0.5 / 1.5;
    double biggestStep = 0.0;
    for (int i = change - 100; i < change + 1000; i++) biggestStep = std::max(biggestStep, std::fabs(double(wet[i] - wet[i - 1])));
    EXPECT_LT(biggestStep, echo * 0.05 + 2 * echo / 882);  // the wave's own slope plus the fade's
    // Once faded the echo is the new length's alone.
    for (int i = change + 900; i < frames; i++) ASSERT_NEAR(wet[i], echo * std::sin((i - 1031) * 0.05), 1e-6) << i;
    // Before the change, the old length's.
    for (int i = 1000; i < change; i++) ASSERT_NEAR(wet[i], echo * std::sin((i - 1000) * 0.05), 1e-6) << i;
}

// Constant dry input on both channels: from the second pass on the echo is a
// constant e, moved to one side per pass with a linear crossfade.
TEST(Delay, PingPongAlternatesSidesWithACrossfade) {
    struct Case {
        int sampleRate, fadeFrames;
    };
    for (const Case& c : {Case{44100, 882}, Case{22050, 441}}) {
        SCOPED_TRACE(c.sampleRate);
        const int time = 2000;
        const float dry = 0.3f;
        const double e = 2 * 0.3 / 1.5;
        Delay delay(c.sampleRate);
        delay.setTime(time);
        delay.setParameter(Delay::kFeedback, 0.0f);
        delay.setParameter(Delay::kVolume, 1.0f);
        delay.setParameter(Delay::kPingpong, 1.0f);
        delay.setParameter(Delay::kActive, 1.0f);
        Stereo io(3 * time, dry, dry);
        run(delay, io, 333);
        auto leftShare = [&](int i) { return (io.left[i] - dry) / e; };
        for (int i = 0; i < time; ++i) ASSERT_EQ(io.left[i], dry) << "first pass, frame " << i;
        for (int i = time; i < 3 * time; ++i) {
            ASSERT_NEAR(io.left[i] + io.right[i] - 2 * dry, e, 1e-5) << "frame " << i;
        }
        // Second pass moves left, the third moves back right.
        for (int j : {0, c.fadeFrames / 4, c.fadeFrames / 2, c.fadeFrames - 2}) {
            const double fraction = (j + 1.0) / c.fadeFrames;
            EXPECT_NEAR(leftShare(time + j), fraction, 2e-4) << "second pass, frame " << j;
            EXPECT_NEAR(leftShare(2 * time + j), 1 - fraction, 2e-4) << "third pass, frame " << j;
        }
        for (int j : {c.fadeFrames, c.fadeFrames + 1, time - 2}) {
            EXPECT_EQ(io.right[time + j], dry) << "fully left, frame " << j;
            EXPECT_EQ(io.left[2 * time + j], dry) << "fully right, frame " << j;
        }
        // The last frame of a pass already swaps sides but plays at crossfade 1.
        EXPECT_NEAR(leftShare(2 * time - 1), 1.0, 1e-6);
    }
}

}  // namespace
