// Programs on a live plug-in: switching, storing and rebuilding the rack,
// the editor's reset, copy and clone, and saving and loading chunks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "instruments/catalogue.h"
#include "plugin_fixture.h"
#include "programs/chunk.h"
#include "resources/builtin_resources.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string embeddedSound() { return kEmbeddedResources[0].name; }

struct Programs : PluginFixture {
    Programs() {
        plugin->getRack(0)->clear();  // whatever the factory bank put there
    }
    Quaxel2& p() { return *plugin; }
    Instrument* at(int i) { return plugin->getRack(0)->getInstrumentAt(i); }
    Bytes chunk(bool isPreset) {
        void* data = nullptr;
        const VstInt32 size = plugin->getChunk(&data, isPreset);
        const auto* bytes = static_cast<const unsigned char*>(data);
        return {bytes, bytes + size};
    }
    std::vector<float> play(int frames = 512) {
        midi(0x90, 60, 100);
        auto left = render(frames).first;
        midi(0xB0, 123, 0);
        render(64);
        return left;
    }
};

TEST(ProgramSwitch, StoresTheRackAndRebuildsIt) {
    Programs f;
    Instrument* bell = f.p().createInstrumentFromString(internalInstrumentName[13]);
    Instrument* loop = f.p().createInstrumentFromPath(embeddedSound());
    ASSERT_TRUE(bell && loop);
    bell->setParameter(Instrument::kVolume, 0.4f);
    loop->setParameter(Instrument::kLoop, 1.0f);
    loop->getSample(0, -1, -1)->setStartPlay(100);
    loop->getSample(0, -1, -1)->setLoopStart(200);
    loop->getSample(0, -1, -1)->setLoopEnd(900);
    loop->data->midiChannel = 4;  // picked in the editor
    f.p().setParameter(513, 0.7f);

    f.p().setProgram(5);
    EXPECT_EQ(f.p().getRack(0)->getCount(), 0);
    f.p().setProgram(0);
    ASSERT_EQ(f.p().getRack(0)->getCount(), 2);
    EXPECT_EQ(f.at(0)->name, internalInstrumentName[13]);
    EXPECT_EQ(f.at(0)->getParameter(Instrument::kVolume), 0.4f);
    EXPECT_EQ(f.at(1)->type, 2);
    const Sample* restored = f.at(1)->getSample(0, -1, -1);
    EXPECT_EQ(restored->startPlay, 100);
    EXPECT_EQ(restored->loopStart, 200);
    EXPECT_EQ(restored->loopEnd, 900);
    EXPECT_EQ(f.at(1)->data->midiChannel, 4);
    EXPECT_EQ(f.at(1)->midiChannel, 4);
    EXPECT_EQ(f.p().getParameter(513), 0.7f);
}

TEST(ProgramSwitch, LoopMarkersNeedTheLoopSwitchFullyOn) {
    Programs f;
    Instrument* loop = f.p().createInstrumentFromPath(embeddedSound());
    loop->setParameter(Instrument::kLoop, 0.7f);  // loops, but is not stored as looping
    loop->getSample(0, -1, -1)->setLoopStart(300);
    f.p().setProgram(0);
    EXPECT_EQ(f.at(0)->getSample(0, -1, -1)->loopStyle, Loop);
    EXPECT_EQ(f.at(0)->getSample(0, -1, -1)->loopStart, 0);
}

TEST(ProgramSwitch, AMissingFileLeavesItsPlaceToTheNext) {
    Programs f;
    Program& program = f.p().getCurrentProgram();
    program.instrumentCount = 3;
    program.instruments[0] = {{}, "gone", "/no/such/sample.wav", 2, 0, 0, 0, -1};
    program.instruments[1] = {{}, internalInstrumentName[2], "", 0, 0, 0, 0, -1};
    program.instruments[2] = {{}, "odd", "", 9, 0, 0, 0, -1};  // a type that recreates nothing
    program.instruments[1].values[0] = 0.5f;
    f.p().setChunk2(nullptr, 0, false);  // refused: nothing changes
    f.p().copyStateFromProgram();
    ASSERT_EQ(f.p().getRack(0)->getCount(), 1);
    EXPECT_EQ(f.at(0)->name, internalInstrumentName[2]);
}

TEST(EditorOperations, ResetCopyAndClone) {
    Programs f;
    Instrument* source = f.p().createInstrumentFromPath(embeddedSound());
    for (int j = 0; j < 22; j++) source->setParameter(j, 0.3f);
    source->getSample(0, -1, -1)->setStartPlay(50);
    source->getSample(0, -1, -1)->setLoopStart(70);
    source->getSample(0, -1, -1)->setLoopEnd(90);

    Instrument* clone = f.p().cloneInstrument(source);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->id, 1);
    EXPECT_EQ(clone->getParameter(0), 1.0f);  // fresh until copied
    f.p().copyParameterFrom(source, clone);
    for (int j = 0; j < 22; j++) EXPECT_EQ(clone->getParameter(j), 0.3f) << j;
    EXPECT_EQ(clone->getSample(0, -1, -1)->loopEnd, 90);

    f.p().resetParameters(source);
    EXPECT_EQ(source->getParameter(Instrument::kVolume), 1.0f);
    EXPECT_EQ(source->getParameter(Instrument::kGrainAdvance), 0.82f);
    for (int kept : {4, 6, 7, 8, 9}) EXPECT_EQ(source->getParameter(kept), 0.3f) << kept;
    EXPECT_EQ(source->getSample(0, -1, -1)->startPlay, 0);
    EXPECT_EQ(source->getSample(0, -1, -1)->loopStart, 70);

    Instrument* catalogueOne = f.p().createInstrumentFromString(internalInstrumentName[4]);
    catalogueOne->type = 1;
    Instrument* target = f.p().createInstrumentFromPath(embeddedSound());
    target->getSample(0, -1, -1)->setStartPlay(33);
    catalogueOne->setParameter(0, 0.6f);
    f.p().copyParameterFrom(catalogueOne, target);  // values only
    EXPECT_EQ(target->getParameter(0), 0.6f);
    EXPECT_EQ(target->getSample(0, -1, -1)->startPlay, 33);
    f.p().resetParameters(nullptr);
    f.p().copyParameterFrom(nullptr, target);
    EXPECT_EQ(f.p().cloneInstrument(nullptr), nullptr);
}

TEST(StateChunks, BankAndProgramRoundTripIntoASecondPlugin) {
    Programs first;
    Instrument* bell = first.p().createInstrumentFromString(internalInstrumentName[13]);
    bell->setParameter(Instrument::kTune, 0.75f);
    first.p().createInstrumentFromPath(embeddedSound())->setParameter(Instrument::kPan, 0.1f);
    first.p().setParameter(576, 0.6f);
    char name[] = "Round Trip";
    first.p().setProgramName(name);
    first.p().setProgram(9);
    first.p().createInstrumentFromString(internalInstrumentName[20]);
    const Bytes bank = first.chunk(false);
    const Bytes program = first.chunk(true);

    Programs second;
    second.p().setProgram(9);
    ASSERT_EQ(second.p().setChunk(const_cast<unsigned char*>(bank.data()), static_cast<VstInt32>(bank.size()), false), 1);
    EXPECT_EQ(second.p().getProgram(), 9);
    EXPECT_EQ(second.chunk(false), bank);
    EXPECT_EQ(second.play(), first.play());
    second.p().setProgram(0);
    first.p().setProgram(0);
    char text[64];
    second.p().getProgramName(text);
    EXPECT_STREQ(text, "Round Trip");
    EXPECT_EQ(second.p().getParameter(576), 0.6f);
    EXPECT_EQ(second.play(), first.play());

    Programs third;
    ASSERT_EQ(third.p().setChunk(const_cast<unsigned char*>(program.data()), static_cast<VstInt32>(program.size()), true), 1);
    EXPECT_EQ(third.p().getRack(0)->getCount(), 1);
    EXPECT_EQ(third.at(0)->name, internalInstrumentName[20]);
}

TEST(StateChunks, VersionFiveRecordsLoadLikeVersionThree) {
    Programs f;
    f.p().createInstrumentFromString(internalInstrumentName[7]);
    Bytes bank = f.chunk(false);
    Bytes five;
    ChunkReader reader(bank.data(), bank.size());
    for (int i = 0; i < 128; i++) {
        const std::size_t start = reader.position();
        Program scratch;
        ASSERT_EQ(reader.readCurrentRecord(scratch, true), ChunkReader::Record::Read);
        five.insert(five.end(), bank.begin() + static_cast<long>(start), bank.begin() + static_cast<long>(reader.position()));
        five[five.size() - (reader.position() - start)] = 5;
        five.insert(five.end(), 32, 0xAB);
    }
    Programs g;
    ASSERT_EQ(g.p().setChunk(five.data(), static_cast<VstInt32>(five.size()), false), 1);
    EXPECT_EQ(g.chunk(false), bank);
}

TEST(StateChunks, ARefusedChunkChangesNothing) {
    Programs f;
    f.p().createInstrumentFromString(internalInstrumentName[7]);
    f.p().setProgram(3);
    f.p().createInstrumentFromString(internalInstrumentName[8]);
    const Bytes program = f.chunk(true);
    const Bytes before = f.chunk(false);
    // Cut short, with a name length far past the end, or hardly there at all.
    auto spoiled = [](Bytes bytes) {
        std::vector<Bytes> out;
        out.push_back(Bytes(bytes.begin(), bytes.end() - 10));
        const int32_t huge = 1 << 30;
        std::memcpy(bytes.data() + 4, &huge, 4);
        out.push_back(bytes);
        out.push_back(Bytes{3, 0, 0, 0});
        out.push_back(Bytes{1, 2});
        return out;
    };
    for (bool isPreset : {false, true})
        for (Bytes bad : spoiled(isPreset ? program : before))
            EXPECT_EQ(f.p().setChunk(bad.data(), static_cast<VstInt32>(bad.size()), isPreset), 0)
                << bad.size() << (isPreset ? " program" : " bank");
    EXPECT_EQ(f.p().setChunk(nullptr, 100, false), 0);
    EXPECT_EQ(f.p().getProgram(), 3);
    EXPECT_EQ(f.chunk(false), before);
    EXPECT_EQ(f.p().getRack(0)->getCount(), 1);
}

TEST(StateChunks, TheSavedBlockStaysUntilTheNextSave) {
    Programs f;
    void* first = nullptr;
    const VstInt32 size = f.p().getChunk(&first, false);
    const Bytes copy(static_cast<unsigned char*>(first), static_cast<unsigned char*>(first) + size);
    f.p().setParameter(576, 0.2f);  // changes nothing the block holds until saved again
    EXPECT_EQ(Bytes(static_cast<unsigned char*>(first), static_cast<unsigned char*>(first) + size), copy);
}

}  // namespace
