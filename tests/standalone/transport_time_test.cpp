// The time info the standalone program hands the plug-in for each period.
#include <gtest/gtest.h>

#include "standalone/transport_time.h"

namespace {

jack_position_t positionAt(jack_nframes_t frame) {
    jack_position_t position{};
    position.frame = frame;
    position.frame_rate = 48000;
    return position;
}

jack_position_t withMeter(jack_position_t position, double bpm, int bar, int beat, int tick, float perBar,
                          float beatType) {
    position.valid = JackPositionBBT;
    position.beats_per_minute = bpm;
    position.bar = bar;
    position.beat = beat;
    position.tick = tick;
    position.ticks_per_beat = 1920;
    position.beats_per_bar = perBar;
    position.beat_type = beatType;
    return position;
}

struct Case {
    const char* what;
    bool rolling;
    jack_position_t position;
    double tempo, ppq, barStart;
    int numerator, denominator;
};

TEST(TransportTime, FollowsTheRollingMasterAndOtherwiseCounts120Bpm) {
    const Case cases[] = {
        {"stopped: 120 bpm from the frame", false, positionAt(48000), 120, 2.0, 0, 4, 4},
        {"stopped with a master: still 120", false, withMeter(positionAt(48000), 90, 2, 1, 0, 4, 4), 120, 2.0, 0, 4, 4},
        {"rolling without a master", true, positionAt(5 * 24000), 120, 5.0, 4.0, 4, 4},
        {"rolling at 90 in 4/4", true, withMeter(positionAt(0), 90, 3, 2, 960, 4, 4), 90, 9.5, 8.0, 4, 4},
        {"rolling in 6/8: eighths are half a quarter", true, withMeter(positionAt(0), 140, 2, 4, 0, 6, 8), 140, 4.5,
         3.0, 6, 8},
        {"a master with no tempo counts as none", true, withMeter(positionAt(24000), 0, 2, 1, 0, 4, 4), 120, 1.0, 0,
         4, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VstTimeInfo info;
        fillTimeInfo(info, c.rolling, c.position, false);
        EXPECT_DOUBLE_EQ(info.tempo, c.tempo);
        EXPECT_DOUBLE_EQ(info.ppqPos, c.ppq);
        EXPECT_DOUBLE_EQ(info.barStartPos, c.barStart);
        EXPECT_EQ(info.timeSigNumerator, c.numerator);
        EXPECT_EQ(info.timeSigDenominator, c.denominator);
        EXPECT_DOUBLE_EQ(info.samplePos, c.position.frame);
        EXPECT_DOUBLE_EQ(info.sampleRate, 48000);
        EXPECT_TRUE(info.flags & kVstTempoValid);
        EXPECT_EQ((info.flags & kVstTransportPlaying) != 0, c.rolling);
        EXPECT_FALSE(info.flags & kVstTransportChanged);
    }
}

TEST(TransportTime, MarksTheChange) {
    VstTimeInfo info;
    fillTimeInfo(info, true, positionAt(0), true);
    EXPECT_TRUE(info.flags & kVstTransportChanged);
}

}  // namespace
