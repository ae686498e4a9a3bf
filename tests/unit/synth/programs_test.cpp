// Programs on a live plug-in: switching, storing and rebuilding the rack,
// the editor's reset, copy and clone, and saving and loading chunks.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
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

// The editor draws what the shared records say: a rebuilt instrument's
// records must show its values, its loop switch and its markers.
TEST(ProgramSwitch, SharedRecordsShowTheRebuiltInstruments) {
    Programs f;
    Program& program = f.p().getCurrentProgram();
    program.instrumentCount = 1;
    InstrumentProgram& entry = program.instruments[0];
    entry = {{}, "looper", embeddedSound(), 2, 120, 300, 900, 3};
    for (int j = 0; j < 22; j++) entry.values[j] = 0.25f;
    entry.values[Instrument::kLoop] = 1.0f;
    f.p().copyStateFromProgram();
    ASSERT_EQ(f.p().getRack(0)->getCount(), 1);
    const InstrumentData& record = *f.at(0)->data;
    for (int j = 0; j < 22; j++) EXPECT_EQ(record.parameterRecord[j].value, entry.values[j]) << j;
    EXPECT_EQ(record.midiChannel, 3);
    EXPECT_STREQ(record.name, "looper");
    f.p().bindSampleRecord(f.at(0));
    const auto& sample = *reinterpret_cast<const SampleData*>(f.p().getSampleRegion());
    EXPECT_EQ(sample.loopOn, 1);
    EXPECT_EQ(sample.startPlay, 120);
    EXPECT_EQ(sample.loopStart, 300);
    EXPECT_EQ(sample.loopEnd, 900);
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

// A file refused for its length is said to be that, not also missing.
TEST(ProgramSwitch, AFileTooLongIsReportedOnlyAsTooLong) {
    Programs f;
    const std::string path = ::testing::TempDir() + "quaxel2-too-long-" + std::to_string(getpid()) + ".mp3";
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    ASSERT_EQ(truncate(path.c_str(), off_t{64} << 30), 0);  // sparse: nothing on disk
    Program& program = f.p().getCurrentProgram();
    program.instrumentCount = 1;
    program.instruments[0] = {{}, "long", path, 2, 0, 0, 0, -1};
    testing::internal::CaptureStdout();
    f.p().copyStateFromProgram();
    const std::string said = testing::internal::GetCapturedStdout();
    std::remove(path.c_str());
    EXPECT_EQ(said, "Quaxel2VST > sample too long, not loaded: " + path + "\n");
    ASSERT_EQ(f.p().getRack(0)->getCount(), 1);  // its place is kept, silent, as for a missing file
    EXPECT_TRUE(f.at(0)->missing);
}

// A sample file that is not there today (a drive not mounted) must not be
// lost at the next save, nor move the instruments after it.
TEST(ProgramSwitch, AMissingFileKeepsItsPlaceSilentlyAndSavesBackWhole) {
    Programs f;
    const std::string path = ::testing::TempDir() + "quaxel2-missing-sample.wav";
    std::remove(path.c_str());
    Program& program = f.p().getCurrentProgram();
    program.instrumentCount = 3;
    program.instruments[0] = {{}, "gone", path, 2, 1234, 2000, 3000, 5};
    for (int j = 0; j < 22; j++) program.instruments[0].values[j] = 0.3f + 0.01f * j;
    program.instruments[0].values[Instrument::kLoop] = 1.0f;
    program.instruments[1] = {{}, internalInstrumentName[2], "", 0, 0, 0, 0, -1};
    program.instruments[2] = {{}, "odd", "", 9, 0, 0, 0, -1};  // a type that recreates nothing
    program.instruments[1].values[0] = 0.5f;
    const InstrumentProgram stored = program.instruments[0];
    f.p().setChunk2(nullptr, 0, false);  // refused: nothing changes
    testing::internal::CaptureStdout();
    f.p().copyStateFromProgram();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Quaxel2VST > sample file missing, its instrument stays silent: " + path + "\n");
    ASSERT_EQ(f.p().getRack(0)->getCount(), 2);
    EXPECT_EQ(f.at(1)->name, internalInstrumentName[2]);
    EXPECT_EQ(f.p().getParameter(22), 0.5f);  // automation still reaches the second instrument
    // The editor is told that the stand-in's markers do not move.
    EXPECT_EQ(f.at(0)->data->flags, InstrumentData::kMarkersFixed);
    EXPECT_EQ(f.at(1)->data->flags, f.at(1)->markersFixed() ? InstrumentData::kMarkersFixed : 0);

    // Silent, and a held note on it leaves no voice busy once released.
    f.at(1)->setParameter(Instrument::kVolume, 0.0f);
    for (float x : f.play()) ASSERT_EQ(x, 0.0f);
    f.render(44100);
    EXPECT_EQ(f.activeVoices(), 0);

    const Bytes saved = f.chunk(true);
    Program reread;
    ChunkReader reader(saved.data(), saved.size());
    ASSERT_EQ(reader.readCurrentRecord(reread, false), ChunkReader::Record::Read);
    ASSERT_EQ(reread.instrumentCount, 2);
    const InstrumentProgram& kept = reread.instruments[0];
    EXPECT_EQ(kept.values, stored.values);
    EXPECT_EQ(kept.name, "gone");
    EXPECT_EQ(kept.path, path);
    EXPECT_EQ(kept.type, 2);
    EXPECT_EQ(kept.midiChannel, 5);
    EXPECT_EQ(kept.startPlay, 1234);
    EXPECT_EQ(kept.loopStart, 2000);
    EXPECT_EQ(kept.loopEnd, 3000);

    // Once the file is back, the next load plays it.
    const unsigned char* image = Sample::pathToBuffer(embeddedSound());
    ASSERT_NE(image, nullptr);
    std::uint32_t riffSize;
    std::memcpy(&riffSize, image + 4, 4);
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(image, 1, riffSize + 8, out);
    std::fclose(out);
    ASSERT_EQ(f.p().setChunk(const_cast<unsigned char*>(saved.data()), static_cast<VstInt32>(saved.size()), true), 1);
    EXPECT_FALSE(f.at(0)->missing);
    EXPECT_GT(f.at(0)->getSample(0, -1, -1)->length, 0);
    EXPECT_EQ(f.at(0)->getSample(0, -1, -1)->startPlay, 1234);
    std::remove(path.c_str());
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

// Each marker is clamped against the other, so the order they are copied in
// decides whether the source's loop arrives whole.
TEST(EditorOperations, CopyGivesTheSourcesLoopWheneverItFits) {
    Programs f;
    Instrument* source = f.p().createInstrumentFromPath(embeddedSound());
    Instrument* destination = f.p().createInstrumentFromPath(embeddedSound());
    Sample& from = *source->getSample(0, -1, -1);
    Sample& to = *destination->getSample(0, -1, -1);
    ASSERT_GT(from.length, 10000);
    const struct {
        int fromStart, fromEnd, toStart, toEnd;
    } cases[] = {
        {5000, 9000, 1000, 3000},  // the new loop lies after the old one
        {1000, 3000, 5000, 9000},  // before it
        {2000, 8000, 3000, 4000},  // around it
        {3500, 3600, 3000, 4000},  // inside it
    };
    for (const auto& c : cases) {
        from.setLoopStart(0);
        from.setLoopEnd(c.fromEnd);
        from.setLoopStart(c.fromStart);
        to.setLoopStart(0);
        to.setLoopEnd(c.toEnd);
        to.setLoopStart(c.toStart);
        ASSERT_EQ(from.loopStart, c.fromStart);
        ASSERT_EQ(from.loopEnd, c.fromEnd);
        ASSERT_EQ(to.loopStart, c.toStart);
        ASSERT_EQ(to.loopEnd, c.toEnd);
        f.p().copyParameterFrom(source, destination);
        EXPECT_EQ(to.loopStart, c.fromStart) << c.fromStart << ".." << c.fromEnd << " onto " << c.toStart << ".." << c.toEnd;
        EXPECT_EQ(to.loopEnd, c.fromEnd) << c.fromStart << ".." << c.fromEnd << " onto " << c.toStart << ".." << c.toEnd;
    }
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

// Values beyond 0..1 are kept as given, so that a state saves back byte for
// byte; the sound takes them within range.
TEST(StateChunks, OutOfRangeValuesRoundTripAndPlayWithinRange) {
    Programs f;  // first: a plug-in fills the catalogue's names
    Program odd;
    odd.instrumentCount = 1;
    odd.masterVolume = 1.5f;
    odd.masterTune = -3.0f;
    odd.instruments[0] = {{}, internalInstrumentName[13], "", 0, 0, 0, 0, -1};
    for (int j = 0; j < 22; j++) odd.instruments[0].values[j] = j % 2 ? 1.5f : -0.25f;
    odd.instruments[0].values[Instrument::kVolume] = 1.5f;
    odd.delay.values = {2.0f, 1.25f, -1.0f, 3.0f, 0.0f, 1.0f, 0.0f, -7.0f};
    Bytes bank;
    for (int i = 0; i < Quaxel2::kNumPrograms; i++) writeProgramRecord(bank, odd);
    ASSERT_EQ(f.p().setChunk(bank.data(), static_cast<VstInt32>(bank.size()), false), 1);
    EXPECT_EQ(f.chunk(false), bank);
    EXPECT_EQ(f.at(0)->volume, 1.0f);
    for (float x : f.play()) ASSERT_TRUE(std::isfinite(x) && std::fabs(x) <= 1.5f);

    // The same through the host's parameter calls.
    f.p().setParameter(0, 1.5f);
    f.p().setParameter(576, 2.0f);
    f.p().setParameter(513, 1.25f);
    EXPECT_EQ(f.at(0)->getParameter(0), 1.5f);
    EXPECT_EQ(f.p().getCurrentProgram().masterVolume, 2.0f);
    EXPECT_EQ(f.p().getDelay().getParameter(1), 1.25f);
}

// Whatever a state carries, the host reads values within 0..1 and hears
// finite sound.
TEST(StateChunks, NonFiniteOrHugeValuesNeverReachTheOutput) {
    Programs f;
    const float inf = std::numeric_limits<float>::infinity();
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 1e30f, -1e30f}) {
        SCOPED_TRACE(bad);
        Program odd;
        odd.instrumentCount = 1;
        odd.instruments[0] = {{}, internalInstrumentName[13], "", 0, 0, 0, 0, -1};
        odd.instruments[0].values.fill(bad);
        odd.delay.values.fill(bad);
        odd.delay.values[Delay::kActive] = 1.0f;
        odd.masterVolume = odd.masterTune = odd.velocitySensitivity = odd.pitchBendRange = bad;
        Bytes bytes;
        writeProgramRecord(bytes, odd);
        ASSERT_EQ(f.p().setChunk(bytes.data(), static_cast<VstInt32>(bytes.size()), true), 1);
        for (VstInt32 index : {0, 5, 21, 512, 513, 519, 576, 577, 578, 579, 640}) {
            const float read = f.p().getParameter(index);
            EXPECT_TRUE(read >= 0.0f && read <= 1.0f) << index << " reads " << read;
        }
        f.midi(0xE0, 0, 127);
        for (float x : f.play(4096)) ASSERT_TRUE(std::isfinite(x) && std::fabs(x) < 10.0f) << x;
    }
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
