// MIDI handling, voice allocation and the audio callback of the plug-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tests/support/allocation_counter.h"
#include "plugin_fixture.h"

namespace {

struct Fixture : PluginFixture {
    Fixture() { addInstrument(constant(44100, 0.5f)); }
    Voice* entry(int note, int column) const { return plugin->getNoteTableEntry(note, column); }
    Voice* voice(int i) const { return plugin->getVoice(i); }
};

TEST(Events, NoteOnWithVelocityZeroIsANoteOff) {
    Fixture f;
    f.midi(0x90, 60, 100);
    Voice* v = f.entry(60, 0);
    ASSERT_NE(v, nullptr);
    f.midi(0x90, 60, 0);
    EXPECT_TRUE(v->released);
    EXPECT_EQ(f.entry(60, 0), nullptr);
}

TEST(Events, RetriggerAndChannels) {
    Fixture f;
    f.midi(0x90, 60, 100);
    f.midi(0x90, 60, 100);  // again, no note-off between
    EXPECT_TRUE(f.voice(0)->released);
    EXPECT_EQ(f.entry(60, 0), f.voice(1));
    f.midi(0x80, 60, 0);
    EXPECT_TRUE(f.voice(1)->released);

    f.midi(0x90, 62, 100);  // channel 1
    f.midi(0x91, 62, 100);  // channel 2
    Voice* first = f.entry(62, 0);
    Voice* second = f.entry(62, 1);
    ASSERT_TRUE(first && second && first != second);
    f.midi(0x81, 62, 0);
    EXPECT_FALSE(first->released);
    EXPECT_TRUE(second->released);
}

TEST(Events, AHostNoteReleasesTheEditorsVoiceOnThatKey) {
    Fixture f;
    f.plugin->play(60, 100, 0, -1);
    Voice* editorVoice = f.entry(60, Quaxel2::kEditorColumn);
    ASSERT_NE(editorVoice, nullptr);
    EXPECT_EQ(editorVoice->channel, -1);
    f.midi(0x90, 60, 100);
    EXPECT_TRUE(editorVoice->released);
    EXPECT_NE(f.entry(60, 0), editorVoice);
    // Forgotten, so the editor's late note-off cannot release another note.
    EXPECT_EQ(f.entry(60, Quaxel2::kEditorColumn), nullptr);
}

TEST(Events, FullVoicesDropOrStealTheQuietestReleasedOne) {
    Fixture f;
    for (int n = 0; n < 16; n++) f.midi(0x90, 40 + n, 100);
    f.midi(0x90, 80, 100);
    EXPECT_EQ(f.entry(80, 0), nullptr);  // nothing released: dropped

    f.midi(0x80, 49, 0);  // voice 9
    f.midi(0x80, 44, 0);  // voice 4
    f.voice(4)->level = 0.3;
    f.voice(9)->level = 0.3;
    f.midi(0x90, 81, 100);
    EXPECT_EQ(f.entry(81, 0), f.voice(4));  // equal levels: the lower index
    EXPECT_FALSE(f.voice(4)->released);
    EXPECT_EQ(f.voice(4)->note, 81);

    f.voice(9)->level = 1.0;  // a voice at full level is never taken
    f.midi(0x90, 82, 100);
    EXPECT_EQ(f.entry(82, 0), nullptr);
}

TEST(Events, AStolenVoiceIsForgottenUnderItsOldNote) {
    Fixture f;
    for (int n = 0; n < 16; n++) f.plugin->play(40 + n, 100, 0, -1);
    f.midi(0x90, 40, 100);  // releases editor voice 0 on key 40 and steals it
    EXPECT_EQ(f.entry(40, 0), f.voice(0));
    f.plugin->stop(40, 0, 0, -1);  // the editor lets go of its key 40
    EXPECT_FALSE(f.voice(0)->released);  // the host's note plays on
}

TEST(Events, ControllersAndPitchBend) {
    Fixture f;
    f.midi(0x90, 60, 100);
    f.midi(0x93, 64, 100);
    f.plugin->play(67, 100, 0, -1);
    f.midi(0xB0, 64, 0);    // sustain: nothing
    f.midi(0xB0, 120, 0);   // all sound off: nothing
    EXPECT_FALSE(f.voice(0)->released);

    f.midi(0xE2, 0, 127);  // channel 3 bends every voice
    for (int i = 0; i < 16; i++) EXPECT_GT(f.voice(i)->bendRatio, 1.9) << i;

    f.midi(0xB9, 123, 0);  // channel 10
    for (int i = 0; i < 3; i++) EXPECT_TRUE(f.voice(i)->released) << i;
    for (int note : {60, 64, 67})
        for (int column = 0; column < Quaxel2::kNoteColumns; column++) EXPECT_EQ(f.entry(note, column), nullptr);

    f.midi(0x90, 70, 100);
    f.midi(0xB4, 126, 0);  // mono mode on also releases everything
    EXPECT_TRUE(f.entry(70, 0) == nullptr);
}

TEST(Events, OddEventsAreIgnored) {
    Fixture f;
    VstEvents events{};
    events.numEvents = 2;
    VstEvent sysex{};
    sysex.type = kVstSysExType;
    events.events[0] = &sysex;
    events.events[1] = nullptr;
    EXPECT_EQ(f.plugin->processEvents(&events), 1);
    EXPECT_EQ(f.plugin->processEvents(nullptr), 1);
    f.plugin->play(200, 100, 0, -1);
    f.plugin->stop(-3, 100, 0, -1);
    f.midi(0xC0, 5, 0);
    EXPECT_EQ(f.activeVoices(), 0);
}

TEST(AudioCallback, TempoReachesTheDelayOnlyWhenItChanges) {
    Fixture f;
    f.plugin->setSampleRate(48000.0f);  // the beat follows the rate at once
    EXPECT_EQ(f.plugin->getDelay().getSamplesPerBeat(), 24000.0);
    f.render(64);
    EXPECT_EQ(f.plugin->getDelay().getSamplesPerBeat(), 24000.0);
    PluginFixture::hostTempo = 140.0;
    f.render(64);
    EXPECT_DOUBLE_EQ(f.plugin->getDelay().getSamplesPerBeat(), 48000.0 * 60 / 140);
    EXPECT_EQ(f.plugin->getAppliedTempo(), 140.0);
    PluginFixture::hostGivesTime = false;
    PluginFixture::hostTempo = 90.0;
    f.render(64);
    EXPECT_EQ(f.plugin->getCurrentTempo(), 140.0);
}

// A program sets its delay before any tempo is known: the synced echo must
// still follow the host's tempo from the first block, and the rate.
TEST(AudioCallback, SyncedDelayFollowsTheHostsTempoAndRate) {
    Fixture f;
    f.plugin->setParameter(512 + Delay::kSync, 1.0f);
    f.plugin->setParameter(512 + Delay::kTime, 0.75f);  // one beat
    ASSERT_EQ(f.plugin->getDelay().getTime(), 22050);
    PluginFixture::hostTempo = 90.0;
    f.render(64);
    EXPECT_EQ(f.plugin->getDelay().getTime(), 29400);
    f.plugin->setSampleRate(96000.0f);
    EXPECT_EQ(f.plugin->getDelay().getTime(), 64000);
    f.plugin->setParameter(512 + Delay::kTime, 1.0f);  // two beats at 90 bpm and 96 kHz
    EXPECT_EQ(f.plugin->getDelay().getTime(), 128000);
}

// Hosts send empty blocks; what happens between blocks still happens.
TEST(AudioCallback, AnEmptyBlockStillFollowsTempoRemovesAndFreesVoices) {
    Fixture f;
    Instrument* shortOne = f.addInstrument(constant(100, 0.25f));
    f.plugin->getRack(0)->getInstrumentAt(0)->data->deleteRequest = 1;
    f.midi(0x90, 60, 100);  // the fixture applies events with an empty block
    EXPECT_EQ(f.plugin->getRack(0)->getCount(), 1);
    EXPECT_EQ(f.plugin->getRack(0)->getInstrumentAt(0), shortOne);
    f.render(64);
    f.midi(0x80, 60, 0);
    f.render(64);  // the sample ends in this block: its envelopes are idle
    ASSERT_EQ(f.activeVoices(), 1);
    PluginFixture::hostTempo = 100.0;
    float none = 0.0f;
    float* outputs[2] = {&none, &none};
    f.plugin->processReplacing(nullptr, outputs, 0);
    EXPECT_EQ(f.activeVoices(), 0);
    EXPECT_EQ(f.plugin->getAppliedTempo(), 100.0);
}

// A voice cut off by a block-size change while released comes back held.
TEST(AudioCallback, AReusedVoiceIsHeldAndNeverStolen) {
    Fixture f;
    f.midi(0x90, 60, 100);
    f.midi(0x80, 60, 0);
    f.plugin->setBlockSize(128);
    for (int note = 40; note < 56; note++) f.midi(0x90, note, 100);
    Voice* first = f.entry(40, 0);
    ASSERT_EQ(first, f.voice(0));
    EXPECT_FALSE(first->released);
    f.midi(0x90, 70, 100);  // all sixteen held: dropped
    EXPECT_EQ(first->note, 40);
    EXPECT_EQ(f.entry(70, 0), nullptr);
}

TEST(AudioCallback, BlockSizeChangeCutsVoicesAndForgetsTheirNotes) {
    Fixture f;
    f.midi(0x90, 60, 100);
    f.render(64);
    f.plugin->setBlockSize(128);
    EXPECT_EQ(f.activeVoices(), 0);
    EXPECT_EQ(f.entry(60, 0), nullptr);
    EXPECT_EQ(f.plugin->getRack(0)->getInstrumentAt(0)->meterLeft.size(), 128u);
    auto left = f.render(128).first;
    EXPECT_EQ(left[100], 0.0f);
}

TEST(AudioCallback, GrainSizeRange) {
    Fixture f;
    for (int refused : {100, 199, 2001}) {
        f.plugin->setGrainSize(refused);
        EXPECT_EQ(f.plugin->getGrainSize(), 1000) << refused;
    }
    f.plugin->setGrainSize(200);
    EXPECT_EQ(f.plugin->getGrainSize(), 200);
    Instrument* instrument = f.plugin->getRack(0)->getInstrumentAt(0);
    EXPECT_EQ(instrument->grainPeriod, 200);
    EXPECT_FLOAT_EQ(instrument->grainAdvanceF, (1.0f - 0.82f) * 98 + 2);
}

TEST(AudioCallback, EachInstrumentsPeakReachesItsRecord) {
    Fixture f;
    Instrument* quiet = f.addInstrument(constant(1000, -0.25f));
    f.midi(0x90, 60, 127);
    f.render(64);
    EXPECT_FLOAT_EQ(f.plugin->getRack(0)->getInstrumentAt(0)->data->peak, 0.5f);
    EXPECT_FLOAT_EQ(quiet->data->peak, 0.25f);
}

TEST(AudioCallback, DeletionRequestedByTheEditorHappensAfterTheBlock) {
    Fixture f;
    Instrument* second = f.addInstrument(constant(1000, 0.25f));
    f.midi(0x90, 60, 127);
    second->data->deleteRequest = 1;
    auto left = f.render(64).first;
    EXPECT_FLOAT_EQ(left[3], 0.75f);  // both played this block
    EXPECT_EQ(f.plugin->getRack(0)->getCount(), 1);
}

// Blocks beyond the largest buffer are rendered in pieces; every note must
// still start at its own frame.
TEST(AudioCallback, NotesInHugeBlocksStartAtTheirOwnFrame) {
    Fixture f;
    f.plugin->setBlockSize(100000);
    for (int delta : {50000, 8191, 8192, 99999}) {
        SCOPED_TRACE(delta);
        f.midi(0xB0, 123, 0);
        f.render(100000);
        MidiEvents on;
        f.plugin->processEvents(on.add(0x90, 60, 100, delta).list());
        auto left = f.render(100000).first;
        const auto first = std::find_if(left.begin(), left.end(), [](float x) { return x != 0.0f; });
        EXPECT_EQ(first - left.begin(), delta);
    }
}

// Hosts send floods of controllers (a mod wheel, automation lanes): they
// must neither crowd out a note nor turn into a release.
TEST(AudioCallback, ControllerFloodsNeverCostANote) {
    auto flood = [](int count, int status, int data1, MidiEvents& events) {
        for (int i = 0; i < count; i++) events.add(status, data1, i % 128);
    };
    auto send = [](Fixture& f, MidiEvents& events) {
        f.plugin->processEvents(events.list());
        f.render(64);
    };
    {
        Fixture f;
        f.midi(0x90, 60, 100);
        MidiEvents events;
        flood(2100, 0xB5, 1, events);  // mod wheel on channel 6
        flood(3000, 0xE5, 64, events);  // and pitch bend
        send(f, events);
        ASSERT_NE(f.entry(60, 0), nullptr);
        EXPECT_FALSE(f.entry(60, 0)->released);
    }
    {
        Fixture f;
        MidiEvents events;
        flood(2048, 0xB0, 7, events);
        events.add(0x90, 64, 100);  // a note after them
        send(f, events);
        EXPECT_NE(f.entry(64, 0), nullptr);
    }
    {
        // More notes than the store holds: every release still arrives, and
        // none is made up for the note held on another channel.
        Fixture f;
        f.midi(0x90, 60, 100);
        MidiEvents events;
        for (int status : {0x91, 0x81})
            for (int i = 0; i < 2048; i++) flood(1, status, i % 128, events);
        send(f, events);
        ASSERT_NE(f.entry(60, 0), nullptr);
        EXPECT_FALSE(f.entry(60, 0)->released);
        for (int i = 0; i < Quaxel2::kNumVoices; i++) {
            const Voice* v = f.voice(i);
            EXPECT_TRUE(v == f.entry(60, 0) || !v->active || v->released) << i;
        }
    }
}

TEST(AudioCallback, OversizedCallsRenderInPiecesLikeSmallOnes) {
    Fixture whole, split;
    for (Fixture* f : {&whole, &split}) f->midi(0x90, 60, 127);
    auto big = whole.render(64 * 5 + 7).first;  // block size 64
    std::vector<float> pieces;
    for (int n : {64, 64, 64, 64, 64, 7}) {
        auto part = split.render(n).first;
        pieces.insert(pieces.end(), part.begin(), part.end());
    }
    EXPECT_EQ(big, pieces);
}

TEST(AudioCallback, OddHostsGetFiniteSilenceOrSound) {
    struct Step {
        const char* what;
        std::function<void(Fixture&)> act;
    };
    const Step steps[] = {
        {"zero rate", [](Fixture& f) { f.plugin->setSampleRate(0.0f); }},
        {"zero block", [](Fixture& f) { f.plugin->setBlockSize(0); }},
        {"negative block", [](Fixture& f) { f.plugin->setBlockSize(-5); }},
        {"NaN rate", [](Fixture& f) { f.plugin->setSampleRate(std::nanf("")); }},
        {"huge block", [](Fixture& f) { f.plugin->setBlockSize(1 << 30); }},
        {"NaN parameter", [](Fixture& f) { f.plugin->setParameter(0, std::nanf("")); }},
        {"NaN master", [](Fixture& f) { f.plugin->setParameter(576, std::nanf("")); }},
    };
    for (const Step& step : steps) {
        Fixture f;
        step.act(f);
        f.midi(0x90, 60, 127);
        for (int frames : {0, 1, 13, 64, 1000}) {
            auto [left, right] = f.render(frames);
            for (float x : left) ASSERT_TRUE(std::isfinite(x)) << step.what << " " << frames;
        }
    }
}

TEST(AudioCallback, DelayTailNeverLeavesDenormals) {
    Fixture f;
    Delay& delay = f.plugin->getDelay();
    f.plugin->setParameter(512 + 4, 1.0f);  // active
    f.plugin->setParameter(512 + 1, 0.9f);  // long feedback tail
    f.midi(0x90, 60, 127);
    f.render(64);
    f.midi(0x80, 60, 0);
    ASSERT_TRUE(delay.isActive());
    for (int block = 0; block < 8000; block++) {
        auto [left, right] = f.render(64);
        for (float x : left) ASSERT_TRUE(x == 0.0f || std::fabs(x) >= 1.17549435e-38f) << block;
    }
}

TEST(AudioCallback, EventsAndRenderingAllocateNothing) {
    Fixture f;
    f.addInstrument(constant(1000, 0.1f));
    f.plugin->getDelay().setActive(true);
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    MidiEvents events;
    for (int i = 0; i < 40; i++) events.add(i % 3 == 2 ? 0x80 : 0x90, 40 + i % 20, 100, i);
    VstEvents* block = events.list();
    {
        AllocationCounter selfCheck;  // the counter does see allocations
        static int* volatile kept;
        kept = new int(1);
        delete kept;
        ASSERT_EQ(selfCheck.count(), 1);
    }
    int allocations = -1;
    {
        AllocationCounter counter;
        for (int b = 0; b < 50; b++) {
            f.plugin->processEvents(block);
            f.plugin->processReplacing(nullptr, outputs, 64);
            f.plugin->processReplacing(nullptr, outputs, 17);
        }
        allocations = counter.count();
    }
    EXPECT_EQ(allocations, 0);
}

TEST(AudioCallback, EventsPilingUpNeverLoseWhatEndsNotes) {
    Fixture f;
    MidiEvents events;
    for (int i = 0; i < 2999; i++) events.add(0x90, 30 + i % 60, 100);  // many note-ons,
    events.add(0xB0, 123, 0);                                              // then all notes off
    f.plugin->processEvents(events.list());  // more than a block can keep, and no block between
    f.render(64);
    for (int v = 0; v < Quaxel2::kNumVoices; v++) EXPECT_TRUE(!f.voice(v)->active || f.voice(v)->released) << v;
}

TEST(AudioCallback, AllNotesOffThenTheLongestReleaseLeavesNoVoiceBusy) {
    Fixture f;
    f.plugin->getRack(0)->getInstrumentAt(0)->setParameter(Instrument::kVolR, 1.0f);  // four seconds
    for (int n = 0; n < 24; n++) f.midi(0x90 | (n % 16), 40 + n, 100, n);
    f.render(64);
    f.midi(0xB0, 123, 0);
    for (int block = 0; block < 4 * 44100 / 64 + 2; block++) f.render(64);
    EXPECT_EQ(f.activeVoices(), 0);
}

}  // namespace

namespace {

// A host that reads a parameter back while it answers the time query.
VstIntPtr reenteringHost(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static VstTimeInfo info{};
    info.tempo = 133.0;
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime && effect) {
        effect->getParameter(effect, 576);
        return reinterpret_cast<VstIntPtr>(&info);
    }
    return 0;
}

TEST(AudioCallback, AHostMayCallBackInWhileAnsweringTheTimeQuery) {
    Quaxel2 plugin(reenteringHost);
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    plugin.processReplacing(nullptr, outputs, 64);  // would deadlock if the engine were held
    EXPECT_EQ(plugin.getCurrentTempo(), 133.0);
}

}  // namespace
