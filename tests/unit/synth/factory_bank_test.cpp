// The factory bank compiled into the plug-in: its records as the chunk
// reader reads them and as its bytes lay them out, the names it refers to,
// and every program played on a plug-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dsp/delay.h"
#include "instruments/instrument.h"
#include "plugin_fixture.h"
#include "programs/chunk.h"
#include "resources/builtin_catalogue.h"
#include "resources/builtin_loops.h"
#include "resources/builtin_resources.h"
#include "tools/bankgen/value_names.h"
#include "tools/soundcheck/harmonic_grid.h"

extern "C" const unsigned char bank[];
extern "C" const int32_t bank_size;

namespace {

constexpr std::size_t kBankBytes = 55188;
constexpr int kPrograms = 128;
constexpr int kLastProgram = kPrograms - 1;

std::vector<Program> readBank() {
    std::vector<Program> programs(kPrograms);
    ChunkReader reader(bank, kBankBytes);
    for (Program& program : programs)
        if (reader.readFactoryRecord(program) != ChunkReader::Record::Read) return {};
    return programs;
}

// What the reader does not keep: string byte counts (-1 marks a null
// string) and the number of values an instrument record carries.
struct RawInstrument {
    int32_t type = 0;
    int32_t pathBytes = 0;
    int32_t valueCount = 0;
};

class RawBank {
public:
    RawBank() {
        while (ok && at < kBankBytes) {
            skip(4);  // version
            text();
            auto& instruments = programs.emplace_back(integer());
            for (RawInstrument& instrument : instruments) {
                instrument.type = integer();
                text();
                instrument.pathBytes = text();
                skip(16);  // markers and MIDI channel
                instrument.valueCount = integer();
                skip(8 * static_cast<std::size_t>(std::max(instrument.valueCount, 0)));
            }
            skip(8 * 12);  // delay and master values
        }
    }

    bool ok = true;
    std::vector<std::vector<RawInstrument>> programs;

private:
    void skip(std::size_t bytes) {
        if (bytes > kBankBytes - at) ok = false;
        else at += bytes;
    }
    int32_t integer() {
        if (4 > kBankBytes - at) {
            ok = false;
            return 0;
        }
        const uint32_t value = uint32_t{bank[at]} << 24 | uint32_t{bank[at + 1]} << 16 | uint32_t{bank[at + 2]} << 8 |
                               uint32_t{bank[at + 3]};
        at += 4;
        return static_cast<int32_t>(value);
    }
    int32_t text() {
        const int32_t bytes = integer();
        if (bytes > 0) skip(static_cast<std::size_t>(bytes));
        return bytes;
    }

    std::size_t at = 0;
};

std::string folderOf(const std::string& path) { return path.substr(0, path.find_last_of('/') + 1); }

bool inCatalogue(const std::string& name) {
    for (const CatalogueEntry& entry : kCatalogue)
        if (name == entry.name) return true;
    return false;
}

bool isEmbedded(const std::string& path) {
    for (const EmbeddedResource& resource : kEmbeddedResources)
        if (path == resource.name) return true;
    return false;
}

TEST(FactoryBank, Holds128RecordsThatFillItsBytesExactly) {
    EXPECT_EQ(bank_size, static_cast<int32_t>(kBankBytes));
    ChunkReader reader(bank, kBankBytes);
    Program program;
    for (int i = 0; i < kPrograms; i++)
        ASSERT_EQ(reader.readFactoryRecord(program), ChunkReader::Record::Read) << "program " << i;
    EXPECT_EQ(reader.position(), kBankBytes);
    EXPECT_TRUE(reader.atEnd());
}

TEST(FactoryBank, HasTheFactoryShape) {
    const std::vector<Program> programs = readBank();
    const RawBank raw;
    ASSERT_EQ(programs.size(), static_cast<std::size_t>(kPrograms));
    ASSERT_TRUE(raw.ok);
    ASSERT_EQ(raw.programs.size(), static_cast<std::size_t>(kPrograms));

    std::map<int, int> programsByCount, instrumentsByType;
    std::map<std::string, int> resourcesByFolder;
    for (int p = 0; p < kPrograms; p++) {
        const Program& program = programs[p];
        if (p == kLastProgram) EXPECT_EQ(program.instrumentCount, 0);
        else programsByCount[program.instrumentCount]++;
        for (int i = 0; i < program.instrumentCount; i++) {
            const InstrumentProgram& entry = program.instruments[i];
            const RawInstrument& rawEntry = raw.programs[p][i];
            SCOPED_TRACE("program " + std::to_string(p) + " \"" + program.name + "\", instrument " + entry.name);
            instrumentsByType[entry.type]++;
            EXPECT_EQ(rawEntry.valueCount, InstrumentProgram::kValues);
            EXPECT_EQ(entry.midiChannel, -1);
            if (entry.type == 2) {
                EXPECT_GT(rawEntry.pathBytes, 0);
                resourcesByFolder[folderOf(entry.path)]++;
            } else {
                EXPECT_EQ(rawEntry.pathBytes, -1) << "catalogue instruments carry a null path";
            }
        }
    }
    EXPECT_EQ(programsByCount, (std::map<int, int>{{1, 116}, {2, 7}, {3, 4}}));
    EXPECT_EQ(instrumentsByType, (std::map<int, int>{{0, 64}, {1, 3}, {2, 75}}));
    EXPECT_EQ(resourcesByFolder, (std::map<std::string, int>{{":/Resources/sounds/stabs2/", 23},
                                                             {":/Resources/sounds/stabs3/", 22},
                                                             {":/Resources/sounds/instrus/", 16},
                                                             {":/Resources/sounds/voices/", 14}}));
}

TEST(FactoryBank, NamesOnlySoundsBuiltIntoThePlugin) {
    for (const Program& program : readBank()) {
        for (int i = 0; i < program.instrumentCount; i++) {
            const InstrumentProgram& entry = program.instruments[i];
            if (entry.type == 2)
                EXPECT_TRUE(isEmbedded(entry.path)) << program.name << ": " << entry.path;
            else
                EXPECT_TRUE(inCatalogue(entry.name)) << program.name << ": " << entry.name;
        }
    }
}

TEST(FactoryBank, ValuesAreNormalisedAndTheSharedOnesFixed) {
    const auto normal = [](float x) { return x >= 0.0f && x <= 1.0f; };
    std::set<std::string> names;
    for (const Program& program : readBank()) {
        SCOPED_TRACE(program.name);
        EXPECT_FALSE(program.name.empty());
        EXPECT_LE(program.name.size(), 24u);
        EXPECT_TRUE(names.insert(program.name).second) << "two programs share the name";
        EXPECT_EQ(program.masterTune, 0.5f);
        EXPECT_EQ(program.delay.values[Delay::kSync], 1.0f);
        EXPECT_EQ(program.delay.values[Delay::kSpread], 0.0f);
        EXPECT_EQ(program.delay.values[Delay::kDefault], 0.0f);
        for (float value : {float(program.masterVolume), float(program.velocitySensitivity),
                            float(program.pitchBendRange)})
            EXPECT_TRUE(normal(value)) << value;
        for (float value : program.delay.values) EXPECT_TRUE(normal(value)) << value;
        for (int i = 0; i < program.instrumentCount; i++)
            for (float value : program.instruments[i].values) EXPECT_TRUE(normal(value)) << value;
    }
}

// factory_bank.txt names values as the plug-in does and leaves out the ones
// that keep the value a new instrument, delay or program starts with.
TEST(FactoryBankSource, NamesAndInitialValuesAreThePluginsOwn) {
    const Instrument instrument(64, 44100);
    for (int j = 0; j < Instrument::kParameterCount; j++) {
        if (j != Instrument::kGrainAdvance) {  // unnamed in the plug-in
            EXPECT_EQ(bankgen::kInstrumentValues[j].name, instrument.getParameterName(j)) << j;
        }
        EXPECT_FLOAT_EQ(bankgen::kInstrumentValues[j].initial, instrument.getParameter(j)) << j;
    }
    const Delay delay;
    const DelayProgram delayProgram;
    for (int j = 0; j < Delay::kParameterCount; j++) {
        if (j != Delay::kDefault) {
            EXPECT_EQ(bankgen::kDelayValues[j].name, delay.getParameterName(j)) << j;
        }
        EXPECT_FLOAT_EQ(bankgen::kDelayValues[j].initial, delayProgram.values[j]) << j;
    }
    const Program program;
    EXPECT_FLOAT_EQ(bankgen::kMasterValues[0].initial, program.masterVolume);
    EXPECT_FLOAT_EQ(bankgen::kMasterValues[1].initial, program.masterTune);
    EXPECT_FLOAT_EQ(bankgen::kMasterValues[2].initial, program.velocitySensitivity);
    EXPECT_FLOAT_EQ(bankgen::kMasterValues[3].initial, program.pitchBendRange);
}

// The sustain loop of a sound meant to be held, or {0, 0}.
SustainLoopPoints sustainLoopOf(const InstrumentProgram& entry) {
    std::string resource = entry.type == 2 ? entry.path : std::string();
    for (int id = 0; id < kCatalogueSize && entry.type != 2; id++) {
        if (entry.name != kCatalogue[id].name) continue;
        if (!kCatalogue[id].resource) return kCatalogueLoops[id];
        resource = kCatalogue[id].resource;
    }
    for (int i = 0; i < kEmbeddedResourceCount; i++)
        if (resource == kEmbeddedResources[i].name) return kResourceLoops[i];
    return {};
}

// The sample a program's instrument plays, fresh from where the program
// says it comes from; a program that loops a sound meant to be held loops
// its sustain section.
struct FreshSample {
    explicit FreshSample(const InstrumentProgram& entry) {
        if (entry.type == 2) {
            resource.loadFromResource(entry.path);
            sample = &resource;
        } else {
            instrument.loadFromName(entry.name);
            sample = instrument.getSample(0, -1, -1);
        }
        const SustainLoopPoints held = sustainLoopOf(entry);
        if (held.end > 0 && entry.values[Instrument::kLoop] == 1.0f) {
            sample->setLoopEnd(held.end);
            sample->setLoopStart(held.start);
        }
    }
    ~FreshSample() { resource.releaseOwnedBuffers(); }
    Instrument instrument{64, 44100};
    Sample resource;
    Sample* sample = nullptr;
};

TEST(FactoryBank, EveryProgramRebuildsAllItsInstrumentsWithTheirSamplesOwnMarkers) {
    const std::vector<Program> programs = readBank();
    ASSERT_EQ(programs.size(), static_cast<std::size_t>(kPrograms));
    PluginFixture f;
    ASSERT_EQ(f.plugin->setChunk2(const_cast<unsigned char*>(bank), bank_size, false), 1);
    for (int p = 0; p < kPrograms; p++) {
        f.plugin->setProgram(p);
        const Rack& rack = *f.plugin->getRack(0);
        ASSERT_EQ(rack.getCount(), programs[p].instrumentCount) << programs[p].name;
        for (int i = 0; i < rack.getCount(); i++) {
            const InstrumentProgram& entry = programs[p].instruments[i];
            SCOPED_TRACE(programs[p].name + ": " + entry.name);
            Instrument& built = *rack.getInstrumentAt(i);
            EXPECT_EQ(built.name, entry.name);
            const Sample& played = *built.getSample(0, -1, -1);
            const FreshSample fresh(entry);
            EXPECT_EQ(played.length, fresh.sample->length);
            EXPECT_EQ(played.startPlay, fresh.sample->startPlay);
            EXPECT_EQ(played.loopStart, fresh.sample->loopStart);
            EXPECT_EQ(played.loopEnd, fresh.sample->loopEnd);
        }
    }
}

struct Touch {
    const char* what;
    std::vector<int> notes;
    int velocity;
};

// Played on a new plug-in each, so that no program hears another's echoes,
// for a second: long enough for the first echo of a one-beat delay.
TEST(FactoryBank, EveryProgramSoundsClearlyWithoutClipping) {
    const std::vector<Program> programs = readBank();
    ASSERT_EQ(programs.size(), static_cast<std::size_t>(kPrograms));
    const Touch touches[] = {
        {"middle C at full velocity", {60}, 127},
        {"a C major triad at velocity 100", {60, 64, 67}, 100},
    };
    constexpr int kOneSecond = 44100;
    constexpr float kAudible = 0.05f;  // -26 dBFS
    for (int p = 0; p < kLastProgram; p++) {
        for (const Touch& touch : touches) {
            SCOPED_TRACE("program " + std::to_string(p) + " \"" + programs[p].name + "\", " + touch.what);
            PluginFixture f(512);
            ASSERT_EQ(f.plugin->setChunk2(const_cast<unsigned char*>(bank), bank_size, false), 1);
            f.plugin->setProgram(p);
            for (int note : touch.notes) f.midi(0x90, note, touch.velocity);
            const auto [left, right] = f.render(kOneSecond);
            float peak = 0.0f;
            bool finite = true;
            for (const auto* channel : {&left, &right})
                for (float x : *channel) {
                    finite = finite && std::isfinite(x);
                    peak = std::max(peak, std::fabs(x));
                }
            EXPECT_TRUE(finite);
            EXPECT_GE(peak, kAudible);
            EXPECT_LE(peak, 1.0f);
        }
    }
}

// The level of a 50 ms window, as RMS over both channels.
double windowLevel(const std::vector<float>& left, const std::vector<float>& right, std::size_t from, std::size_t frames) {
    double sum = 0;
    for (std::size_t i = from; i < from + frames && i < left.size(); i++) sum += left[i] * left[i] + right[i] * right[i];
    return std::sqrt(sum / (2.0 * static_cast<double>(frames)));
}

// Every program's C4 held for 3 s, each on a plug-in of its own, rendered once for the tests below.
struct Take {
    std::vector<float> left, right;
};
const std::vector<Take>& heldC4() {
    static const std::vector<Take> takes = [] {
        std::vector<Take> out;
        for (int p = 0; p < kLastProgram; p++) {
            PluginFixture f(512);
            f.plugin->setChunk2(const_cast<unsigned char*>(bank), bank_size, false);
            f.plugin->setProgram(p);
            f.midi(0x90, 60, 100);
            auto [left, right] = f.render(3 * 44100);
            out.push_back({std::move(left), std::move(right)});
        }
        return out;
    }();
    return takes;
}

// The loudest RMS over windows of `frames`, 10 ms apart.
double loudestLevel(const Take& t, std::size_t frames) {
    double loudest = 0;
    for (std::size_t from = 0; from + frames <= t.left.size(); from += 441)
        loudest = std::max(loudest, windowLevel(t.left, t.right, from, frames));
    return loudest;
}

// Still sounding 3 s into the held note, within 30 dB of its loudest moment.
bool holds(const Take& t) {
    return windowLevel(t.left, t.right, t.left.size() - 4410, 4410) > loudestLevel(t, 2205) * 0.0316;
}

// A program whose name promises a sustained instrument (a pad, an organ,
// strings, a choir, a sung vowel, a wind, a lead) still sounds 3 s into a
// held C4, within 30 dB of its loudest moment; a stab, a hit, a pluck or a
// reversed sound may stop. At least 24 programs hold.
TEST(FactoryBank, SustainedProgramsHoldAHeldNote) {
    const std::vector<Program> programs = readBank();
    ASSERT_EQ(programs.size(), static_cast<std::size_t>(kPrograms));
    const char* const promises[] = {"Pad", "Organ", "String", "Choir", "Aah", "Ooh", "Ee", "Flute",
                                    "Clarinet", "Horns", "Lead", "Swell C", "Anthem"};
    const char* const shortByName[] = {"Stab", "Hit", "Pluck", "Reverse"};
    const auto says = [](const std::string& name, const auto& words) {
        return std::any_of(std::begin(words), std::end(words),
                           [&](const char* word) { return name.find(word) != std::string::npos; });
    };
    int holding = 0;
    for (int p = 0; p < kLastProgram; p++) {
        const bool held = holds(heldC4()[p]);
        holding += held;
        const std::string& name = programs[p].name;
        if (says(name, promises) && !says(name, shortByName)) {
            EXPECT_TRUE(held) << "program " << p << " \"" << name << "\"";
        }
    }
    EXPECT_GE(holding, 24);
}

// Programs sit at one level: the loudest 400 ms of a held C4 lies within
// 4 dB of the median program's for at least nine programs in ten.
TEST(FactoryBank, ProgramsPlayAtOneLevel) {
    std::vector<double> levels;
    for (const Take& t : heldC4()) levels.push_back(20 * std::log10(loudestLevel(t, 17640)));
    std::vector<double> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const auto near = std::count_if(levels.begin(), levels.end(), [&](double l) { return std::fabs(l - median) <= 4; });
    EXPECT_GE(10 * near, 9 * static_cast<long>(kPrograms)) << near << " of " << kPrograms << " within 4 dB of " << median << " dB";
}

// Held programs stay clean two octaves up: over them, the median share of a
// C6 (0.3 to 0.8 s in) that lies off its harmonic series is 30 dB or more
// under the harmonics. Vibrato and chorus count with the harmonics (a
// quarter of the fundamental either side of each); aliasing and noise do not.
TEST(FactoryBank, HeldProgramsStayCleanTwoOctavesUp) {
    std::vector<double> offgrid;
    for (int p = 0; p < kLastProgram; p++) {
        if (!holds(heldC4()[p])) continue;
        PluginFixture f(512);
        ASSERT_EQ(f.plugin->setChunk2(const_cast<unsigned char*>(bank), bank_size, false), 1);
        f.plugin->setProgram(p);
        f.midi(0x90, 84, 100);
        const auto [left, right] = f.render(44100);
        const GridFit fit = fitHarmonicGrid(left.data(), right.data(), 13230, 35280, 44100, 1046.5, 32768,
                                            Window::BlackmanHarris, 0.25);
        offgrid.push_back(fit.offgridDb);
    }
    ASSERT_GE(offgrid.size(), 24u);
    std::sort(offgrid.begin(), offgrid.end());
    EXPECT_LE(offgrid[offgrid.size() / 2], -30.0);
}

}  // namespace
