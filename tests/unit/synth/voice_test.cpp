// A voice rendering a note over the rack: pitch, reading, loops, envelopes,
// grains, pan and channels, checked against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "contract/parameter_map.h"
#include "plugin_fixture.h"

namespace {

double steps(int semitones) {
    double r = 1.0;
    for (int i = 0; i < semitones; i++) r *= 1.059463094359;
    for (int i = 0; i > semitones; i--) r /= 1.059463094359;
    return r;
}

TEST(Voice, PitchFollowsTheNoteAndInterpolationReadsBetweenFrames) {
    PluginFixture f(256);
    Instrument* instrument = f.addInstrument(ramp(2000));
    instrument->setParameter(Instrument::kInterpolate, 1.0f);
    f.midi(0x90, 72, 127);
    auto [left, right] = f.render(200);
    const double ratio = steps(12);  // not exactly 2
    for (int k : {0, 1, 7, 150, 199}) EXPECT_NEAR(left[k], k * ratio / 1000.0, 2e-6) << k;
    EXPECT_NEAR(f.plugin->getVoice(0)->playbackOf(0).position, 200 * ratio, 1e-9);
}

TEST(Voice, WithoutInterpolationTheTruncatedFrameIsPlayedUnchanged) {
    PluginFixture f(256);
    f.addInstrument(ramp(2000));
    f.midi(0x90, 48, 127);
    auto [left, right] = f.render(100);
    const double ratio = steps(-12);
    for (int k : {0, 1, 2, 3, 51, 99}) EXPECT_FLOAT_EQ(left[k], std::floor(k * ratio) / 1000.0f) << k;
}

TEST(Voice, PanGains) {
    const struct {
        float pan, left, right;
    } cases[] = {{0.0f, 0.5f, 0.0f}, {0.5f, 0.5f, 0.5f}, {1.0f, 0.0f, 0.5f}, {0.25f, 0.5f, 0.25f}};
    for (auto c : cases) {
        PluginFixture f;
        f.addInstrument(constant(500, 0.5f))->setParameter(Instrument::kPan, c.pan);
        f.midi(0x90, 60, 127);
        auto [left, right] = f.render(32);
        EXPECT_FLOAT_EQ(left[10], c.left) << c.pan;
        EXPECT_FLOAT_EQ(right[10], c.right) << c.pan;
    }
}

TEST(Voice, VelocityCurveAndPitchBend) {
    const double c = std::log(1.0 / 0.05);
    EXPECT_FLOAT_EQ(Voice::velocityToLevel(127, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(Voice::velocityToLevel(1, 1.0f), 0.05f);
    EXPECT_NEAR(Voice::velocityToLevel(64, 1.0f), std::exp(std::pow(63.0 / 126.0, 0.8) * c) * 0.05, 1e-6);
    EXPECT_FLOAT_EQ(Voice::velocityToLevel(1, 0.0f), 1.0f);

    // Range 0.5 is 12 semitones: full down halves, the centre is 1, full up just under 2.
    Voice voice(0, 64);
    const struct {
        int lsb, msb;
        double ratio;
    } bends[] = {{0, 0, 0.5}, {0, 64, 1.0}, {127, 127, std::pow(2.0, 8191.0 / 8192.0)}};
    for (auto b : bends) {
        voice.setPitchBend(b.lsb, b.msb, 0.5f);
        EXPECT_NEAR(voice.bendRatio, b.ratio, 1e-6) << b.lsb << " " << b.msb;
    }
    EXPECT_LT(voice.bendRatio, 2.0);

    // The plug-in plays by the current program's values.
    PluginFixture f;
    f.addInstrument(constant(500, 0.5f));
    f.plugin->setParameter(parameter_map::masterIndex(parameter_map::master::kVelocitySensitivity), 0.0f);
    f.plugin->setParameter(parameter_map::masterIndex(parameter_map::master::kPitchBendRange), 1.0f);  // 24 semitones
    f.midi(0x90, 60, 1);
    f.midi(0xE0, 0, 0);
    EXPECT_FLOAT_EQ(f.plugin->getVoice(0)->velocityLevel, 1.0f);
    EXPECT_NEAR(f.plugin->getVoice(0)->bendRatio, 0.25, 1e-6);
}

TEST(Voice, ReversedOneShotStartsAtTheEndAndPlaysDown) {
    PluginFixture f;
    Instrument* instrument = f.addInstrument(ramp(100));
    instrument->setParameter(Instrument::kReverse, 1.0f);
    f.midi(0x90, 60, 127);
    EXPECT_EQ(f.plugin->getVoice(0)->playbackOf(0).position, 100.0);
    auto [left, right] = f.render(64);
    EXPECT_FLOAT_EQ(left[0], 0.0f);  // the guard frame at the length repeats frame 0
    EXPECT_FLOAT_EQ(left[1], 0.099f);
    EXPECT_FLOAT_EQ(left[63], 0.037f);
    auto rest = f.render(64).first;
    EXPECT_FLOAT_EQ(rest[35], 0.001f);
    EXPECT_FLOAT_EQ(rest[36], 0.0f);  // reached 0: the sample has ended
    EXPECT_EQ(f.plugin->getVoice(0)->playbackOf(0).volumeEnvelope.state, ADSR::envIdle);
}

TEST(Voice, LoopsWrapAndAnOverlongStepLandsOnTheLoopStart) {
    PluginFixture f(128);
    Instrument* instrument = f.addInstrument(ramp(100));
    instrument->setParameter(Instrument::kLoop, 1.0f);
    Sample* sample = instrument->getSample(0, -1, -1);
    sample->setLoopStart(10);
    sample->setLoopEnd(20);
    f.midi(0x90, 60, 127);
    auto left = f.render(40).first;
    EXPECT_FLOAT_EQ(left[19], 0.019f);
    EXPECT_FLOAT_EQ(left[20], 0.010f);
    EXPECT_FLOAT_EQ(left[30], 0.010f);

    sample->setLoopEnd(13);  // loop of 3 frames, step of 4 frames
    instrument->setParameter(Instrument::kTune, 24.0f / 48.0f + 2.0f / 48.0f);
    f.plugin->getVoice(0)->playbackOf(0).position = 12.0;
    left = f.render(3).first;
    EXPECT_FLOAT_EQ(left[0], 0.012f);
    EXPECT_FLOAT_EQ(left[1], 0.010f);  // 16 wraps to 13, still at the end: the start
}

TEST(Voice, ANoteBeyondTheBlockStartsAtFrameZeroOfTheNext) {
    PluginFixture f;
    f.addInstrument(constant(1000, 0.5f));
    f.midi(0x90, 60, 127, 100);
    auto first = f.render(64).first;
    for (float x : first) EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(f.plugin->getVoice(0)->playbackOf(0).volumeEnvelope.state, ADSR::envDecay);  // gated on and stepped once
    auto second = f.render(64).first;
    EXPECT_FLOAT_EQ(second[0], 0.5f);
}

TEST(Voice, NoteOffsetInsideTheBlock) {
    PluginFixture f;
    f.addInstrument(constant(1000, 0.5f));
    f.midi(0x90, 60, 127, 17);
    auto left = f.render(64).first;
    EXPECT_EQ(left[16], 0.0f);
    EXPECT_FLOAT_EQ(left[17], 0.5f);
}

TEST(Voice, InstrumentsAnswerOnlyTheirChannel) {
    PluginFixture f;
    Instrument* onFive = f.addInstrument(constant(1000, 0.5f));
    onFive->data->midiChannel = 5;  // chosen in the editor
    f.midi(0x92, 60, 127);         // channel 3
    auto left = f.render(64).first;
    EXPECT_EQ(left[5], 0.0f);
    f.midi(0x82, 60, 0);
    f.render(64);
    EXPECT_EQ(f.activeVoices(), 1);  // its volume envelope still runs the release

    f.midi(0x95, 62, 127);  // channel 6
    EXPECT_FLOAT_EQ(f.render(64).first[5], 0.5f);
    f.plugin->play(64, 127, 0, -1);  // the editor's keyboard plays every channel
    EXPECT_FLOAT_EQ(f.render(64).first[5], 1.0f);
}

TEST(Voice, EnvelopeTiming) {
    PluginFixture f;
    Instrument* instrument = f.addInstrument(constant(44100, 0.5f));
    // Volume attack of 64 frames: one step at the block start plus one per frame.
    instrument->setParameter(Instrument::kVolA, 64.0f / (44100.0f * 1.5f));
    // Pitch attack of ~88 frames runs at twice the speed: two steps per frame.
    instrument->setParameter(Instrument::kPitchA, 88.2f / (44100.0f * 2.0f));
    ADSR volumeReference;
    volumeReference.setAttackRate(instrument->volumeShape.attackRate);
    volumeReference.gate(true);
    f.midi(0x90, 60, 127);
    f.render(40);
    for (int i = 0; i < 41; i++) volumeReference.step();
    EXPECT_EQ(f.plugin->getVoice(0)->playbackOf(0).volumeEnvelope.output, volumeReference.output);
    EXPECT_EQ(f.plugin->getVoice(0)->playbackOf(0).pitchEnvelope.state, ADSR::envAttack);
    f.render(8);
    EXPECT_NE(f.plugin->getVoice(0)->playbackOf(0).pitchEnvelope.state, ADSR::envAttack);
}

TEST(Voice, GrainsFadeInAndOutAndJumpBack) {
    PluginFixture f(2048);
    Instrument* instrument = f.addInstrument(constant(40000, 0.5f));
    instrument->setParameter(Instrument::kGrain, 1.0f);
    f.midi(0x90, 60, 127);
    auto left = f.render(1200).first;
    EXPECT_EQ(left[0], 0.0f);
    EXPECT_FLOAT_EQ(left[25], 0.5f * 25 / 50);
    EXPECT_FLOAT_EQ(left[500], 0.5f);
    EXPECT_FLOAT_EQ(left[999], 0.5f * 1 / 50);
    EXPECT_EQ(left[1000], 0.0f);  // a new grain starts
    EXPECT_DOUBLE_EQ(f.plugin->getVoice(0)->playbackOf(0).grainStart, 91.0);  // moved on by the advance only
    EXPECT_DOUBLE_EQ(f.plugin->getVoice(0)->playbackOf(0).position, 91.0 + 200);
}

TEST(Voice, ReleasedVoiceFreesItselfWhenItsEnvelopesEnd) {
    PluginFixture f;
    f.addInstrument(constant(44100, 0.5f));
    f.midi(0x90, 60, 127);
    f.render(64);
    f.midi(0x80, 60, 0);
    int blocks = 0;
    while (f.activeVoices() && blocks < 1000) {
        f.render(64);
        blocks++;
    }
    EXPECT_EQ(f.activeVoices(), 0);
    // A release of a quarter second, with a target ratio that ends it early.
    EXPECT_GT(blocks * 64, 44100 / 4 * 0.5);
    EXPECT_LT(blocks * 64, 44100 / 4 + 128);
}

}  // namespace

namespace {

TEST(Voice, LayersAddUpAndOneEndingLeavesTheOthersPlaying) {
    PluginFixture f;
    f.addInstrument(constant(30, 0.25f));    // ends early
    f.addInstrument(constant(5000, 0.5f));
    f.addInstrument(constant(10, 0.125f));   // renders alone after the pair, ends earlier still
    f.midi(0x90, 60, 127);
    auto left = f.render(64).first;
    EXPECT_FLOAT_EQ(left[5], 0.875f);
    EXPECT_FLOAT_EQ(left[15], 0.75f);
    EXPECT_FLOAT_EQ(left[40], 0.5f);
    EXPECT_FLOAT_EQ(f.render(64).first[10], 0.5f);
}

}  // namespace

namespace {

TEST(Voice, SwitchesMidNoteNeverReadOutsideTheSample) {
    // A reversed one-shot that ran past frame 0, turned into a forward loop
    // (the sanitizer build catches any read outside the buffer).
    PluginFixture f;
    Instrument* instrument = f.addInstrument(ramp(100));
    instrument->setParameter(Instrument::kReverse, 1.0f);
    instrument->setParameter(Instrument::kTune, 1.0f);  // four frames a step
    f.midi(0x90, 60, 127);
    f.render(64);
    f.plugin->getVoice(0)->playbackOf(0).position = -7.5;
    instrument->setParameter(Instrument::kReverse, 0.0f);
    instrument->setParameter(Instrument::kLoop, 1.0f);
    f.plugin->getVoice(0)->playbackOf(0).volumeEnvelope.gate(true);
    auto left = f.render(64).first;
    EXPECT_FLOAT_EQ(left[0], 0.0f);  // clamped to frame 0
    for (float x : left) EXPECT_TRUE(std::isfinite(x));
}

}  // namespace
