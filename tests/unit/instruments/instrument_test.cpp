// Instrument parameters, their effects and the shared record.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "dsp/pitch_tables.h"
#include "instruments/instrument.h"
#include "instruments/rack.h"

namespace {

class InstrumentTest : public ::testing::Test {
protected:
    void SetUp() override { makeFrequencyTab(); }
    Instrument instrument{64, 44100};
};

TEST_F(InstrumentTest, ConstructionDefaults) {
    EXPECT_EQ(instrument.type, 0);
    EXPECT_EQ(instrument.getParameterCount(), 22);
    EXPECT_EQ(instrument.pitchEgDepth, 0.0);
    EXPECT_FLOAT_EQ(instrument.grainAdvanceF, 91.64f);
    EXPECT_EQ(instrument.meterLeft.size(), 64u);
    const ADSR& volume = instrument.volumeShape;
    EXPECT_EQ(volume.attackRate, 0.0f);
    EXPECT_EQ(volume.decayRate, 0.0f);
    EXPECT_EQ(volume.sustainLevel, 1.0f);
    EXPECT_EQ(volume.releaseRate, 44100.0f * 0.25f);
    const ADSR& pitch = instrument.pitchShape;
    EXPECT_EQ(pitch.sustainLevel, 0.0f);
    EXPECT_EQ(pitch.attackRate, 0.0f);
    EXPECT_EQ(instrument.getParameterName(19), "interpolate");
    EXPECT_EQ(instrument.getParameterName(21), "default");
    EXPECT_FLOAT_EQ(instrument.getParameter(21), 0.82f);
    // No sample: the built-in waveform plays at its recorded pitch.
    Sample* sample = instrument.getSample(0, 60, 100);
    EXPECT_EQ(sample, &instrument.defaultSample);
    EXPECT_EQ(sample->length, 20108);
    EXPECT_EQ(instrument.rootRatio, 1.0);
}

TEST_F(InstrumentTest, ParameterEffects) {
    struct Case {
        int index;
        float value;
        std::function<double(const Instrument&)> read;
        double expected;
    };
    const Case cases[] = {
        {2, 0.5f, [](const Instrument& i) { return i.semitone; }, 0},
        {2, 0.51f, [](const Instrument& i) { return i.semitone; }, 0},
        {2, 1.0f, [](const Instrument& i) { return i.semitone; }, 24},
        {2, 1.0f, [](const Instrument& i) { return i.tuneRatio; }, 4.0},
        {3, 0.0f, [](const Instrument& i) { return i.cent; }, -100},
        {3, 0.0f, [](const Instrument& i) { return i.centRatio; }, 0.9438743f},
        {17, 0.5f, [](const Instrument& i) { return i.pitchEgDepth; }, 0.0},
        {17, 1.0f, [](const Instrument& i) { return i.pitchEgDepth; }, 2.0},
        {17, 0.0f, [](const Instrument& i) { return i.pitchEgDepth; }, -0.5},
        {21, 1.0f, [](const Instrument& i) { return i.grainAdvanceF; }, 2.0},
        {21, 0.0f, [](const Instrument& i) { return i.grainAdvanceF; }, 500.0},
        {10, 0.0f, [](const Instrument& i) { return i.volumeShape.attackRate; }, 0.0},
        {10, 1.0f, [](const Instrument& i) { return i.volumeShape.attackRate; }, 44100.0 * 1.5},
        {13, 0.0f, [](const Instrument& i) { return i.volumeShape.releaseRate; }, 11025.0},
        {15, 0.5f, [](const Instrument& i) { return i.pitchShape.decayRate; }, 44100.0 * 4},
        {1, 0.25f, [](const Instrument& i) { return i.pan; }, 0.25},
        {18, 0.6f, [](const Instrument& i) { return i.reverse; }, 1},
        {18, 0.5f, [](const Instrument& i) { return i.reverse; }, 0},
        {0, std::nanf(""), [](const Instrument& i) { return i.volume; }, 0.0},  // a NaN never reaches the sound
        {2, 7.0f, [](const Instrument& i) { return i.semitone; }, 24},          // nor a value beyond the table
    };
    for (const Case& c : cases) {
        Instrument fresh(64, 44100);
        fresh.setParameter(c.index, c.value);
        EXPECT_FLOAT_EQ(static_cast<float>(c.read(fresh)), static_cast<float>(c.expected))
            << "parameter " << c.index << " = " << c.value;
    }
}

// The editor sends step k of a stepped control as k / steps in single
// precision, a hair below k / steps for some k (finetune 53 / 200 is
// 52.99999 steps): each plays step k.
TEST_F(InstrumentTest, EveryTuningStepPlaysAsSent) {
    Instrument instrument(64, 44100);
    for (int k = 0; k <= 48; k++) {
        instrument.setParameter(Instrument::kTune, static_cast<float>(k) / 48.0f);
        EXPECT_EQ(instrument.semitone, k - 24) << "tune step " << k;
    }
    for (int k = 0; k <= 200; k++) {
        instrument.setParameter(Instrument::kFinetune, static_cast<float>(k) / 200.0f);
        EXPECT_EQ(instrument.cent, k - 100) << "finetune step " << k;
        EXPECT_EQ(instrument.centRatio, centsTab[k]) << "finetune step " << k;
    }
}

TEST_F(InstrumentTest, LoopSwitchIsIgnoredForTypeOne) {
    instrument.setParameter(Instrument::kLoop, 1.0f);
    EXPECT_EQ(instrument.getSample(0, -1, -1)->loopStyle, Loop);
    Instrument typeOne(64, 44100);
    typeOne.type = 1;
    typeOne.setParameter(Instrument::kLoop, 1.0f);
    EXPECT_EQ(typeOne.getParameter(Instrument::kLoop), 1.0f);
    EXPECT_EQ(typeOne.getSample(0, -1, -1)->loopStyle, NoLoop);
}

TEST_F(InstrumentTest, SampleRateRange) {
    const std::pair<int, int> rates[] = {{7999, 44100}, {8000, 8000}, {384000, 384000}, {384001, 44100}, {0, 44100}};
    for (auto [rate, expected] : rates) {
        instrument.setSamplerate(rate);
        EXPECT_EQ(instrument.samplerate, expected) << rate;
    }
}

TEST_F(InstrumentTest, SharedRecordFollowsTheInstrumentAndIsFreedWithIt) {
    InstrumentData record{};
    auto* owned = new Instrument(64, 44100);
    owned->name = std::string(300, 'n');  // longer than the name area
    owned->setId(5);
    owned->initData(&record);
    EXPECT_EQ(record.id, 5);
    EXPECT_EQ(std::string(record.name), std::string(255, 'n'));
    EXPECT_EQ(record.parameterCount, 22);
    EXPECT_EQ(record.midiChannel, -1);
    EXPECT_EQ(record.parameterRecord[2].steps, 48);
    EXPECT_EQ(record.parameterRecord[2].offset, -24);
    EXPECT_EQ(record.parameterRecord[12].mark, 100);
    EXPECT_EQ(record.parameterRecord[0].value, 1.0f);
    owned->setParameter(0, 0.3f);
    EXPECT_EQ(record.parameterRecord[0].value, 0.3f);
    owned->setId(2);
    EXPECT_EQ(record.id, 2);
    delete owned;
    EXPECT_EQ(record.id, -1);
}

TEST_F(InstrumentTest, TypeOneCatalogueAndTypeTwoOwnership) {
    // A path instrument owns its buffers and releases them; the sample list
    // holds at most 256 samples.
    auto* fromPath = new Instrument(64, 44100);
    fromPath->type = 2;
    auto* sample = new Sample;
    sample->loadFromHeader(new float[11](), 10, 0);
    sample->ownsBuffers = true;  // as a loader leaves it
    fromPath->addSample(sample, true);
    std::vector<std::unique_ptr<Sample>> refused;
    for (int i = 0; i < 300; i++) {
        auto extra = std::make_unique<Sample>();
        fromPath->addSample(extra.get(), false);
        if (fromPath->samples[fromPath->sampleCount - 1] == extra.get())
            extra.release();  // the instrument owns it now
        else
            refused.push_back(std::move(extra));
    }
    EXPECT_EQ(fromPath->sampleCount, 256);
    EXPECT_EQ(refused.size(), 45u);
    delete fromPath;  // leak-free under the sanitizers
}

TEST(RackTest, PositionsIdsAndDeferredDeletion) {
    makeFrequencyTab();
    InstrumentData records[4] = {};
    Rack rack;
    for (int i = 0; i < 4; i++) {
        auto* instrument = new Instrument(16, 44100);
        ASSERT_TRUE(rack.addInstrument(instrument));
        instrument->initData(&records[i]);
        instrument->volume = static_cast<float>(i);  // tells them apart
    }
    rack.removeInstrumentAt(0);
    ASSERT_EQ(rack.getCount(), 3);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(rack.getInstrumentAt(i)->id, i);
        EXPECT_EQ(rack.getInstrumentAt(i)->volume, i + 1.0f);
        EXPECT_EQ(records[i + 1].id, i);
    }
    EXPECT_EQ(records[0].id, -1);

    records[1].deleteRequest = 1;  // positions 0 and 2 now
    records[3].deleteRequest = 1;
    Instrument* taken[4] = {};
    ASSERT_EQ(rack.processDeletion(taken, 4), 2);
    EXPECT_EQ(taken[0]->volume, 1.0f);  // in position order
    EXPECT_EQ(taken[1]->volume, 3.0f);
    EXPECT_EQ(records[1].id, -1);
    EXPECT_EQ(records[3].id, -1);
    for (Instrument* instrument : {taken[0], taken[1]}) delete instrument;
    ASSERT_EQ(rack.getCount(), 1);
    EXPECT_EQ(rack.getInstrumentAt(0)->volume, 2.0f);
    EXPECT_EQ(rack.getInstrumentById(0), rack.getInstrumentAt(0));
    EXPECT_EQ(rack.getInstrumentById(1), nullptr);
    EXPECT_EQ(rack.getInstrumentAt(1), nullptr);
    EXPECT_EQ(rack.getInstrumentAt(-1), nullptr);

    rack.clear();
    EXPECT_EQ(rack.getInstrumentAt(0), nullptr);
    EXPECT_EQ(rack.getInstrumentById(0), nullptr);
    auto* next = new Instrument(16, 44100);
    ASSERT_TRUE(rack.addInstrument(next));
    EXPECT_EQ(next->id, 0);
}

TEST(RackTest, SeventeenthInstrumentIsRefused) {
    makeFrequencyTab();
    Rack rack;
    for (int i = 0; i < 16; i++) ASSERT_TRUE(rack.addInstrument(new Instrument(16, 44100)));
    Instrument extra(16, 44100);
    EXPECT_FALSE(rack.addInstrument(&extra));
    EXPECT_EQ(rack.getCount(), 16);
}

}  // namespace
