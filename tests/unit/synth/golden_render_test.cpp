// Every factory program played through the plug-in object at block sizes
// 1, 64 and 4096, compared bit for bit with renders recorded before. Changes
// meant to leave the sound alone (restructuring, speed work) must keep these.
// With QUAXEL2_WRITE_GOLDEN set to a path, the renders are recorded there
// instead: do that only for a change that is meant to alter the sound.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "plugin_fixture.h"
#include "render_hash.h"

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

std::uint64_t renderProgram(int program, int block) {
    PluginFixture f(block);
    PluginFixture::hostTempo = 96.0;  // the synced delays follow it
    f.plugin->setChunk2(const_cast<unsigned char*>(bank), bank_size, false);
    f.plugin->setProgram(program);
    std::vector<float> left, right;
    std::size_t next = 0;
    for (int start = 0; start < kFrames; start += block) {
        const int frames = std::min(block, kFrames - start);
        MidiEvents events;
        for (; next < std::size(kScore) && kScore[next].frame < start + frames; next++)
            events.add(kScore[next].status, kScore[next].data1, kScore[next].data2, kScore[next].frame - start);
        if (!events.empty()) f.plugin->processEvents(events.list());
        auto [l, r] = f.render(frames);
        left.insert(left.end(), l.begin(), l.end());
        right.insert(right.end(), r.begin(), r.end());
    }
    return renderHash(left, right);
}

std::string key(int program, int block) { return std::to_string(program) + " " + std::to_string(block); }

TEST(GoldenRenders, EveryFactoryProgramSoundsAsRecorded) {
    std::map<std::string, std::uint64_t> rendered;
    for (int block : kBlockSizes)
        for (int program = 0; program < Quaxel2::kNumPrograms; program++)
            rendered[key(program, block)] = renderProgram(program, block);

    if (const char* out = std::getenv("QUAXEL2_WRITE_GOLDEN")) {
        std::ofstream file(out);
        for (const auto& [what, hash] : rendered) file << what << " " << std::hex << hash << std::dec << "\n";
        GTEST_SKIP() << "renders recorded in " << out;
    }
    std::ifstream file(QUAXEL2_SOURCE_DIR "/tests/golden/factory_renders.txt");
    ASSERT_TRUE(file) << "no recorded renders";
    std::map<std::string, std::uint64_t> recorded;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        int program, block;
        std::uint64_t hash;
        if (fields >> program >> block >> std::hex >> hash) recorded[key(program, block)] = hash;
    }
    ASSERT_EQ(recorded.size(), rendered.size());
    for (const auto& [what, hash] : rendered) EXPECT_EQ(hash, recorded[what]) << "program and block size " << what;
}

}  // namespace
