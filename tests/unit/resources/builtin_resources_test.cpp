// The embedded RIFF WAVE resources, read by a small reader of this test's own:
// the layout the loader relies on, the resource and root-note tables, and
// the sounds decoded as the loader decodes them (8-bit (b - 128) / 128,
// 16-bit s / 32768) at their own sample rate: level, DC, clean ends, tuning
// at their root note, and the octave pad's seamless loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/pitch_estimate.h"
#include "resources/builtin_catalogue.h"
#include "resources/builtin_loops.h"
#include "resources/builtin_resources.h"

namespace {

const std::string prefix = ":/Resources/sounds/";

std::uint32_t u32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
int u16(const unsigned char* p) { return p[0] | p[1] << 8; }
std::string tag(const unsigned char* p) { return std::string(reinterpret_cast<const char*>(p), 4); }

struct Wave {
    int formatTag, channels, sampleRate, byteRate, blockAlign, bits;
    std::string riff, wave, fmt, data;
    std::uint32_t riffSize, fmtSize, dataSize;
    std::vector<std::vector<double>> samples;  // per channel
};

Wave read(const EmbeddedResource& r) {
    const unsigned char* p = r.data;
    Wave w{};
    w.riff = tag(p);
    w.riffSize = u32(p + 4);
    w.wave = tag(p + 8);
    w.fmt = tag(p + 12);
    w.fmtSize = u32(p + 16);
    w.formatTag = u16(p + 20);
    w.channels = u16(p + 22);
    w.sampleRate = static_cast<int>(u32(p + 24));
    w.byteRate = static_cast<int>(u32(p + 28));
    w.blockAlign = u16(p + 32);
    w.bits = u16(p + 34);
    w.data = tag(p + 36);
    w.dataSize = u32(p + 40);
    if (w.channels < 1 || w.channels > 2 || (w.bits != 8 && w.bits != 16) || w.blockAlign == 0) return w;
    const std::size_t frames = std::min<std::size_t>(w.dataSize, r.size - 44) / w.blockAlign;
    w.samples.assign(w.channels, std::vector<double>(frames));
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < w.channels; ++c) {
            const unsigned char* s = p + 44 + i * w.blockAlign + c * (w.bits / 8);
            w.samples[c][i] = w.bits == 8 ? (s[0] - 128) / 128.0 : static_cast<std::int16_t>(u16(s)) / 32768.0;
        }
    }
    return w;
}

std::string folderOf(const std::string& name) {
    const std::string rest = name.substr(prefix.size());
    return rest.substr(0, rest.rfind('/'));
}

int rootNoteOf(const std::string& name) {
    for (const ResourceRootNote& r : kResourceRootNotes) {
        if (name == r.name) return r.rootNote;
    }
    return 60;
}

const EmbeddedResource* find(const std::string& name) {
    for (const EmbeddedResource& r : kEmbeddedResources) {
        if (name == r.name) return &r;
    }
    return nullptr;
}

const std::vector<Wave>& waves() {
    static const std::vector<Wave> all = [] {
        std::vector<Wave> out;
        for (const EmbeddedResource& r : kEmbeddedResources) out.push_back(read(r));
        return out;
    }();
    return all;
}

const std::string octavePad = prefix + "synths/jx1/JX1 C4+C5.wav";

TEST(EmbeddedResources, EachIsACanonicalPcmWave) {
    ASSERT_EQ(kEmbeddedResourceCount, 83);
    for (int i = 0; i < kEmbeddedResourceCount; ++i) {
        const EmbeddedResource& r = kEmbeddedResources[i];
        const Wave& w = waves()[i];
        SCOPED_TRACE(r.name);
        ASSERT_GE(r.size, 44);
        EXPECT_EQ(w.riff, "RIFF");
        EXPECT_EQ(w.riffSize, std::uint32_t(r.size - 8));
        EXPECT_EQ(w.wave, "WAVE");
        EXPECT_EQ(w.fmt, "fmt ");
        EXPECT_EQ(w.fmtSize, 16u);
        EXPECT_EQ(w.formatTag, 1);
        EXPECT_EQ(w.data, "data");
        EXPECT_EQ(w.dataSize, std::uint32_t(r.size - 44));
        EXPECT_EQ(w.blockAlign, w.channels * w.bits / 8);
        EXPECT_EQ(w.byteRate, w.sampleRate * w.blockAlign);
        EXPECT_EQ(w.dataSize % w.blockAlign, 0u);
        EXPECT_GT(w.dataSize, 0u);
    }
}

TEST(EmbeddedResources, FormatsComeInTheRequiredMix) {
    std::map<std::string, int> counts;
    for (const Wave& w : waves()) {
        counts[std::to_string(w.bits) + "-bit " + (w.channels == 2 ? "stereo " : "mono ") + std::to_string(w.sampleRate)]++;
    }
    const std::map<std::string, int> expected{
        {"16-bit stereo 44100", 20}, {"16-bit mono 44100", 54}, {"16-bit mono 48000", 1}, {"8-bit mono 44100", 4},
        {"8-bit mono 22050", 1},     {"8-bit mono 11025", 1},   {"8-bit mono 8363", 2},
    };
    EXPECT_EQ(counts, expected);
}

TEST(EmbeddedResources, NamesAreUniqueWavFilesInTheirFolders) {
    std::set<std::string> names;
    std::map<std::string, int> folders;
    for (const EmbeddedResource& r : kEmbeddedResources) {
        const std::string name = r.name;
        SCOPED_TRACE(name);
        ASSERT_EQ(name.rfind(prefix, 0), 0u);
        ASSERT_GT(name.size(), prefix.size() + 4);
        EXPECT_EQ(name.substr(name.size() - 4), ".wav");
        EXPECT_TRUE(names.insert(name).second) << "twice";
        folders[folderOf(name)]++;
    }
    const std::map<std::string, int> expected{
        {"stabs2", 26}, {"stabs3", 24}, {"voices", 17}, {"instrus", 15}, {"synths/jx1", 1}};
    EXPECT_EQ(folders, expected);
    EXPECT_NE(find(prefix + "instrus/m1organ.wav"), nullptr);
    EXPECT_NE(find(octavePad), nullptr);
}

TEST(EmbeddedResources, RootNoteTableNamesResourcesByFolder) {
    ASSERT_EQ(kResourceRootNoteCount, 22);
    std::set<std::string> names;
    std::map<std::string, int> folders;
    for (const ResourceRootNote& r : kResourceRootNotes) {
        SCOPED_TRACE(r.name);
        EXPECT_NE(find(r.name), nullptr);
        EXPECT_TRUE(names.insert(r.name).second) << "twice";
        EXPECT_GE(r.rootNote, 48);
        EXPECT_LE(r.rootNote, 77);
        EXPECT_NE(r.rootNote, 60) << "60 is what resources outside the table get anyway";
        folders[folderOf(r.name)]++;
    }
    const std::map<std::string, int> expected{{"instrus", 6}, {"stabs2", 6}, {"stabs3", 9}, {"voices", 1}};
    EXPECT_EQ(folders, expected);
}

// One step of the format: 8-bit sounds are coarser.
double quantum(const Wave& w) { return w.bits == 8 ? 1 / 128.0 : 1 / 32768.0; }

TEST(EmbeddedResources, LevelIsHighWithoutClippingOrDc) {
    for (int i = 0; i < kEmbeddedResourceCount; ++i) {
        const Wave& w = waves()[i];
        for (std::size_t c = 0; c < w.samples.size(); ++c) {
            SCOPED_TRACE(std::string(kEmbeddedResources[i].name) + " channel " + std::to_string(c));
            const std::vector<double>& x = w.samples[c];
            double peak = 0, sum = 0;
            for (double v : x) {
                peak = std::max(peak, std::fabs(v));
                sum += v;
            }
            // Below full scale on both sides: nothing was cut at the top of the integer range.
            EXPECT_LT(peak, 1.0 - quantum(w));
            EXPECT_GT(peak, 0.3);
            EXPECT_LT(std::fabs(sum / x.size()), 1e-3);
        }
    }
}

TEST(EmbeddedResources, StartAndEndAtSilenceWithoutAClick) {
    for (int i = 0; i < kEmbeddedResourceCount; ++i) {
        const Wave& w = waves()[i];
        const std::string name = kEmbeddedResources[i].name;
        const int edge = std::max(1, w.sampleRate / 4000);  // a quarter of a millisecond
        const double near = 0.01 + quantum(w);
        for (std::size_t c = 0; c < w.samples.size(); ++c) {
            SCOPED_TRACE(name + " channel " + std::to_string(c));
            const std::vector<double>& x = w.samples[c];
            for (int f = 0; f < edge; ++f) {
                EXPECT_LT(std::fabs(x[f]), near) << "frame " << f;
                // Held sounds end in their loops, checked below instead.
                if (name != octavePad && kResourceLoops[i].end == 0) {
                    EXPECT_LT(std::fabs(x[x.size() - 1 - f]), near) << "frame " << x.size() - 1 - f;
                }
            }
        }
    }
}

TEST(EmbeddedResources, PitchedSoundsAreInTuneAtTheirRootNote) {
    for (int i = 0; i < kEmbeddedResourceCount; ++i) {
        if (kEmbeddedResourceTuning[i] == BuiltinTuning::Unpitched) continue;
        const Wave& w = waves()[i];
        const std::string name = kEmbeddedResources[i].name;
        std::vector<double> x(w.samples[0].size(), 0.0);
        for (const auto& channel : w.samples) {
            for (std::size_t f = 0; f < x.size(); ++f) x[f] += channel[f] / w.samples.size();
        }
        const double rootHz = 440.0 * std::pow(2.0, (rootNoteOf(name) - 69) / 12.0);
        const bool periodic = kEmbeddedResourceTuning[i] == BuiltinTuning::Periodic;
        // One pitch throughout, from just past the attack.
        for (std::size_t start : pitch::analysisPoints(x, w.sampleRate)) {
            SCOPED_TRACE(name + " from frame " + std::to_string(start));
            const double hz = pitch::heardHz(x, w.sampleRate, rootHz, start, periodic);
            ASSERT_GT(hz, 0.0);
            EXPECT_NEAR(pitch::centsFromOctaves(hz, rootHz), 0.0, pitch::toleranceCents(name)) << hz << " Hz";
        }
    }
}

// A stab is a short hit: its last quarter is far quieter than its loudest
// moment. The few held sounds of the stab folders (a brass swell, horns)
// hold instead.
TEST(EmbeddedResources, StabsDieAway) {
    for (int i = 0; i < kEmbeddedResourceCount; ++i) {
        const std::string name = kEmbeddedResources[i].name;
        if (folderOf(name).rfind("stabs", 0) != 0 || kResourceLoops[i].end > 0) continue;
        SCOPED_TRACE(name);
        const std::vector<double>& x = waves()[i].samples[0];
        const std::size_t block = waves()[i].sampleRate / 100;
        double loudest = 0;
        for (std::size_t b = 0; b + block <= x.size(); b += block) {
            double energy = 0;
            for (std::size_t f = b; f < b + block; ++f) energy += x[f] * x[f];
            loudest = std::max(loudest, std::sqrt(energy / block));
        }
        double tail = 0;
        for (std::size_t f = x.size() * 3 / 4; f < x.size(); ++f) tail += x[f] * x[f];
        tail = std::sqrt(tail / (x.size() - x.size() * 3 / 4));
        EXPECT_LT(tail, 0.3 * loudest);
    }
}

// Two channels make a stereo image: related, but not the same sound twice.
TEST(EmbeddedResources, StereoImagesSpreadAcrossBothChannels) {
    for (int i = 0; i < kEmbeddedResourceCount; ++i) {
        const Wave& w = waves()[i];
        if (w.channels != 2) continue;
        SCOPED_TRACE(kEmbeddedResources[i].name);
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t f = 0; f < w.samples[0].size(); ++f) {
            ab += w.samples[0][f] * w.samples[1][f];
            aa += w.samples[0][f] * w.samples[0][f];
            bb += w.samples[1][f] * w.samples[1][f];
        }
        const double correlation = ab / std::sqrt(aa * bb);
        EXPECT_LT(correlation, 0.99);
        EXPECT_GT(correlation, 0.2);
    }
}

// The pad loops from kOctavePadLoopStart, and a voice plays the loop up to
// the frame before its end marker, which sits on the last frame. The last
// frame continues the loop (the voice reads it for the step from the frame
// before), so it is the loop start again; and the jump from the frame
// before it back to the start is no larger than the steps within the loop.
TEST(EmbeddedResources, OctavePadLoopsSeamlessly) {
    const EmbeddedResource* pad = find(octavePad);
    ASSERT_NE(pad, nullptr);
    ASSERT_EQ(kOctavePadLoopStart, 12443);
    const Wave w = read(*pad);
    for (std::size_t c = 0; c < w.samples.size(); ++c) {
        SCOPED_TRACE("channel " + std::to_string(c));
        const std::vector<double>& x = w.samples[c];
        ASSERT_GT(x.size(), std::size_t(kOctavePadLoopStart) + 44100);
        const std::size_t loopEnd = x.size() - 1;
        // Steps and bends (second differences) within the loop, and at the seam.
        std::vector<double> steps, bends;
        for (std::size_t f = kOctavePadLoopStart; f + 2 < loopEnd; ++f) {
            steps.push_back(std::fabs(x[f + 1] - x[f]));
            bends.push_back(std::fabs(x[f + 2] - 2 * x[f + 1] + x[f]));
        }
        std::sort(steps.begin(), steps.end());
        std::sort(bends.begin(), bends.end());
        const std::size_t high = steps.size() * 99 / 100;
        const double start = x[kOctavePadLoopStart], last = x[loopEnd - 1], beforeLast = x[loopEnd - 2];
        EXPECT_LE(std::fabs(x[loopEnd] - start), 2 * quantum(w));
        EXPECT_LE(std::fabs(start - last), steps[high] + 2 * quantum(w));
        EXPECT_LE(std::fabs(start - 2 * last + beforeLast), bends[high] + 4 * quantum(w));
        // A sustained tone right to the end, not a fade into the loop.
        double tail = 0;
        for (std::size_t f = x.size() - 4410; f < x.size(); ++f) tail = std::max(tail, std::fabs(x[f]));
        EXPECT_GT(tail, 0.2);
    }
}

// A sound meant to be held loops seamlessly as a voice plays it: from the
// loop start up to the frame before the end, whose step leads to the last
// frame, and that frame continues into the start again. So the last frame
// is the start's value (to within -60 dB of the peak: what is left of an
// envelope's settling), and the frames before each match those before the
// start (the sound has settled into its repeat there).
void expectSeamless(const std::vector<double>& x, SustainLoopPoints loop, double quantum, const std::string& name) {
    ASSERT_GT(loop.start, 64) << name;
    ASSERT_EQ(static_cast<std::size_t>(loop.end), x.size() - 1) << name;
    double peak = 0;
    for (double v : x) peak = std::max(peak, std::fabs(v));
    EXPECT_LE(std::fabs(x[loop.end] - x[loop.start]), std::max(2 * quantum, 1e-3 * peak)) << name;
    double worst = 0;
    for (int k = 1; k <= 64; ++k) worst = std::max(worst, std::fabs(x[loop.end - k] - x[loop.start - k]));
    EXPECT_LE(worst, 0.01 * peak) << name << ": the frames before the end differ from those before the start";
}

TEST(SustainLoops, HeldSoundsLoopSeamlessly) {
    int held = 0;
    for (int id = 0; id < kCatalogueSize; ++id) {
        const SustainLoopPoints loop = kCatalogueLoops[id];
        if (loop.end == 0) continue;
        const CatalogueEntry& entry = kCatalogue[id];
        ASSERT_NE(entry.left, nullptr) << entry.name;
        for (const float* channel : {entry.left, entry.right}) {
            if (!channel) continue;
            expectSeamless(std::vector<double>(channel, channel + entry.frames), loop, 0, entry.name);
        }
        ++held;
    }
    for (int i = 0; i < kEmbeddedResourceCount; ++i) {
        const SustainLoopPoints loop = kResourceLoops[i];
        if (loop.end == 0 || std::string(kEmbeddedResources[i].name) == octavePad) continue;
        const Wave w = read(kEmbeddedResources[i]);
        for (const std::vector<double>& channel : w.samples) expectSeamless(channel, loop, quantum(w), kEmbeddedResources[i].name);
        ++held;
    }
    EXPECT_GE(held, 12);
}

}  // namespace
