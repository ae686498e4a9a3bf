// Sample markers, root-note ratios and borrowed channel data.
#include <gtest/gtest.h>

#include <vector>

#include "instruments/sample.h"

namespace {

struct Fixture {
    Fixture() {
        sample.loadFromHeader(frames.data(), 1000, 0);
        record = SampleData{};
    }
    std::vector<float> frames = std::vector<float>(1001, 0.0f);
    Sample sample;
    SampleData record;
};

TEST(Sample, MarkersClampAgainstLengthAndEachOther) {
    enum Marker { LoopStart, LoopEnd, StartPlay };
    struct Case {
        int presetLoopStart;
        Marker marker;
        int frame;
        int expected;
    };
    const Case cases[] = {
        {0, LoopStart, -5, 0},     {0, LoopStart, 999, 998},  {0, LoopStart, 500, 500},
        {0, LoopEnd, 5000, 999},   {998, LoopEnd, 10, 999},   {0, LoopEnd, 600, 600},
        {0, StartPlay, 1000, 999}, {0, StartPlay, -1, 0},     {0, StartPlay, 250, 250},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.sample.setSampleData(&f.record);
        f.sample.setLoopStart(c.presetLoopStart);
        int stored = 0, mirrored = 0;
        switch (c.marker) {
            case LoopStart:
                f.sample.setLoopStart(c.frame);
                stored = f.sample.loopStart, mirrored = f.record.loopStart;
                break;
            case LoopEnd:
                f.sample.setLoopEnd(c.frame);
                stored = f.sample.loopEnd, mirrored = f.record.loopEnd;
                break;
            case StartPlay:
                f.sample.setStartPlay(c.frame);
                stored = f.sample.startPlay, mirrored = f.record.startPlay;
                break;
        }
        EXPECT_EQ(stored, c.expected) << c.marker << " " << c.frame;
        EXPECT_EQ(mirrored, c.expected) << c.marker << " " << c.frame;
    }
}

TEST(Sample, LoopEndCanReachTheLengthWhenTheStartSitsAtTheLastFrame) {
    Fixture f;
    f.sample.loopStart = 999;
    f.sample.setLoopEnd(3);
    EXPECT_EQ(f.sample.loopEnd, 1000);  // the guard frame keeps reads at 1000 valid
}

TEST(Sample, RootNoteRatioStepsBySemitones) {
    Sample s;
    s.setRootNote(60);
    EXPECT_EQ(s.rootRatio, 1.0);
    s.setRootNote(72);
    double expected = 1.0;
    for (int i = 0; i < 12; i++) expected /= 1.059463094359;
    EXPECT_EQ(s.rootRatio, expected);
    EXPECT_NEAR(s.rootRatio, 0.5, 1e-6);
    s.setRootNote(48);
    EXPECT_NEAR(s.rootRatio, 2.0, 1e-5);
}

TEST(Sample, BorrowedChannelsAndBufferLookups) {
    std::vector<float> left(11), right(11);
    Sample s;
    s.loadFromHeader(left.data(), 10, 0);
    EXPECT_EQ(s.channels, 1);
    EXPECT_EQ(s.getBuffer(1), nullptr);
    s.loadFromHeader(right.data(), 10, 1);
    EXPECT_EQ(s.channels, 2);
    EXPECT_EQ(s.length, 10);
    EXPECT_EQ(s.loopEnd, 9);
    EXPECT_EQ(s.getBuffer(0), left.data());
    EXPECT_EQ(s.getBuffer(1), right.data());
    EXPECT_EQ(s.getBuffer(32), nullptr);
    EXPECT_EQ(s.getBuffer(-1), nullptr);
}

TEST(Sample, LoopStyleAndBindingWriteThroughToTheRecord) {
    Fixture f;
    f.sample.setLoopStyle(Loop);  // unbound: stored only
    EXPECT_EQ(f.record.loopOn, 0);
    f.sample.setStartPlay(12);
    f.sample.setSampleData(&f.record);
    EXPECT_EQ(f.record.length, 1000);
    EXPECT_EQ(f.record.loopEnd, 999);
    EXPECT_EQ(f.record.startPlay, 12);
    EXPECT_EQ(f.record.loopOn, 1);  // binding shows the loop switch too
    f.sample.setLoopStyle(Loop);
    EXPECT_EQ(f.record.loopOn, 1);
    f.sample.setLoopStyle(NoLoop);
    EXPECT_EQ(f.record.loopOn, 0);
}

}  // namespace
