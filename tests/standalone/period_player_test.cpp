// A JACK period through the real quaxel2.so, without a server: the MIDI
// events land on their frames inside the period, and the audio thread's
// work allocates nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "standalone/period_player.h"
#include "tests/support/allocation_counter.h"

namespace {

constexpr int kRate = 48000;
constexpr jack_nframes_t kPeriod = 256;
constexpr int kPluckProgram = 44;  // a plucked string: sound from the first frames of a note

struct Played {
    std::vector<float> left = std::vector<float>(kPeriod), right = std::vector<float>(kPeriod);
    int allocations = 0;
};

class PeriodPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<VstHost>("quaxel2-standalone-test", VstHost::Pace::Live, kRate, kPeriod);
        host->load(QUAXEL2_SO);
        host->setProgram(kPluckProgram);
        host->start(8);
        player = std::make_unique<PeriodPlayer>(*host);
        position.frame_rate = kRate;
    }

    Played play(const std::vector<jack_midi_event_t>& events, jack_transport_state_t state = JackTransportStopped) {
        Played out;
        AllocationCounter counter;
        player->play(events.data(), events.size(), state, position, out.left.data(), out.right.data(), kPeriod);
        out.allocations = counter.count();
        position.frame += kPeriod;
        return out;
    }

    std::unique_ptr<VstHost> host;
    std::unique_ptr<PeriodPlayer> player;
    jack_position_t position{};
};

// The first frame louder than a whisper; kPeriod when there is none.
size_t firstSound(const std::vector<float>& samples) {
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::fabs(samples[i]) > 1e-5f) return i;
    return samples.size();
}

unsigned char noteOn[] = {0x90, 69, 100};

TEST_F(PeriodPlayerTest, ANoteSoundsFromItsFrameInThePeriod) {
    const size_t onset = firstSound(play({{0, 3, noteOn}}).left);
    ASSERT_LT(onset, 64u) << "the note at frame 0 made no sound";
    for (jack_nframes_t frame : {1u, 97u, 150u}) {
        SetUp();  // a fresh plug-in with no voice sounding
        EXPECT_EQ(firstSound(play({{frame, 3, noteOn}}).left), onset + frame) << "note at frame " << frame;
    }
}

TEST_F(PeriodPlayerTest, PeriodsAllocateNothing) {
    {
        // The counter sees what the plug-in allocates: a program change builds instruments.
        AllocationCounter counter;
        host->setProgram(kPluckProgram + 1);
        ASSERT_GT(counter.count(), 0);
    }
    unsigned char noteOff[] = {0x80, 69, 0};
    unsigned char controller[] = {0xB0, 1, 64};
    unsigned char bend[] = {0xE0, 0, 80};
    unsigned char sysex[] = {0xF0, 1, 2, 3, 0xF7};
    EXPECT_EQ(play({}).allocations, 0);
    EXPECT_EQ(play({{0, 3, noteOn}, {10, 3, controller}, {20, 5, sysex}, {30, 3, bend}}).allocations, 0);
    position.valid = JackPositionBBT;
    position.beats_per_minute = 90;
    position.bar = position.beat = 1;
    position.beats_per_bar = position.beat_type = 4;
    position.ticks_per_beat = 1920;
    EXPECT_EQ(play({{5, 3, noteOff}}, JackTransportRolling).allocations, 0);
    // More events than the host has room for: the rest are dropped, counted.
    std::vector<jack_midi_event_t> flood(20, jack_midi_event_t{0, 3, controller});
    EXPECT_EQ(play(flood, JackTransportRolling).allocations, 0);
    EXPECT_EQ(player->droppedEvents(), 12u);
}

}  // namespace
