// Every factory program played through the plug-in object at block sizes
// 1, 64 and 4096, compared bit for bit with renders recorded before
// (tests/golden/factory_renders.txt, golden_compare.h: a render that differs
// is reported with where it differs). Changes meant to leave the sound alone
// (restructuring, speed work) must keep these. With QUAXEL2_WRITE_GOLDEN set
// to a path, the renders are recorded there instead: do that only for a
// change that is meant to alter the sound.
//
// Programs that play words the speech synthesiser spoke at build time are
// compared only while those sounds are as recorded (tests/support/
// voice_sounds.h); when a new synthesiser changed them, the VoiceSounds test
// fails and these programs are named here as not compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "golden_compare.h"
#include "plugin_fixture.h"
#include "tests/support/voice_sounds.h"

extern "C" const unsigned char bank[];
extern "C" const int32_t bank_size;

namespace {

constexpr int kFrames = 13230;  // 0.3 s
constexpr int kBlockSizes[] = {1, 64, 4096};

struct TimedEvent {
    int frame;
    unsigned char status, data1, data2;
};

// Notes that overlap, a retrigger-free chord, a pitch bend and releases.
constexpr TimedEvent kScore[] = {
    {0, 0x90, 48, 100},    {1000, 0x90, 60, 127}, {1000, 0x90, 67, 80}, {4000, 0xE0, 0, 96},
    {7000, 0x80, 48, 0},   {7000, 0x80, 67, 64},  {9000, 0x90, 72, 50}, {10000, 0x80, 60, 0},
    {12000, 0x80, 72, 0},
};

struct ProgramRender {
    StereoRender audio;
    std::string title;  // number and name
    bool speaks;        // an instrument plays words the speech synthesiser spoke
};

bool playsSpokenWords(const Instrument& instrument) {
    switch (instrument.type) {
        case Instrument::kFromCatalogue:
        case Instrument::kFromCatalogueWithoutMarkers: return catalogueEntrySpoken(instrument.name);
        case Instrument::kFromPath: return resourceSpoken(instrument.path);
        default: return false;
    }
}

ProgramRender renderProgram(int program, int block) {
    PluginFixture f(block);
    PluginFixture::hostTempo = 96.0;  // the synced delays follow it
    f.plugin->setChunk2(const_cast<unsigned char*>(bank), bank_size, false);
    f.plugin->setProgram(program);
    ProgramRender result{{}, "program " + std::to_string(program), false};
    char name[64] = {};
    f.plugin->getProgramName(name);
    result.title += " \"" + std::string(name) + "\"";
    const Rack& rack = *f.plugin->getRack(0);
    for (int i = 0; i < rack.getCount(); i++) result.speaks |= playsSpokenWords(*rack.getInstrumentAt(i));

    std::size_t next = 0;
    for (int start = 0; start < kFrames; start += block) {
        const int frames = std::min(block, kFrames - start);
        MidiEvents events;
        for (; next < std::size(kScore) && kScore[next].frame < start + frames; next++)
            events.add(kScore[next].status, kScore[next].data1, kScore[next].data2, kScore[next].frame - start);
        if (!events.empty()) f.plugin->processEvents(events.list());
        auto [l, r] = f.render(frames);
        result.audio.left.insert(result.audio.left.end(), l.begin(), l.end());
        result.audio.right.insert(result.audio.right.end(), r.begin(), r.end());
    }
    return result;
}

TEST(GoldenRenders, EveryFactoryProgramSoundsAsRecorded) {
    GoldenRenders golden("factory_renders", "QUAXEL2_WRITE_GOLDEN");
    const bool compareSpoken = golden.recording() || voiceSoundsAsRecorded();
    std::string notCompared;
    for (int program = 0; program < Quaxel2::kNumPrograms; program++) {
        for (int block : kBlockSizes) {
            const ProgramRender render = renderProgram(program, block);
            const GoldenKey key{"program " + std::to_string(program), block};
            if (render.speaks && !compareSpoken) {
                golden.skip(key);
                if (block == kBlockSizes[0]) notCompared += (notCompared.empty() ? "" : ", ") + render.title;
                continue;
            }
            golden.check(key, render.audio, render.title);
        }
    }
    golden.finish();
    if (!notCompared.empty())
        std::printf("not compared, as the generated voice sounds changed (see VoiceSounds): %s\n", notCompared.c_str());
    if (golden.recording()) GTEST_SKIP() << "renders recorded in " << golden.recordedIn();
}

}  // namespace
