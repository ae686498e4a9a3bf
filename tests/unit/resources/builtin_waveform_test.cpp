// The built-in waveforms as the plug-in embeds them: the default waveform and
// the catalogue's arrays, checked as each entry plays them (from its play
// start, at its root note): the table itself, guard frames, level, DC, clean
// ends, tuning and the shape of stabs; and the pitch estimators these rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/support/pitch_estimate.h"
#include "resources/builtin_catalogue.h"
#include "resources/builtin_loops.h"
#include "resources/builtin_waveforms.h"

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double sampleRate = 44100;

double noteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// A tone of partials {ratio, gain}, optionally dying away with a time constant.
std::vector<double> tone(double hz, std::vector<std::pair<double, double>> partials, double decaySeconds = 0,
                         int frames = 16384) {
    std::vector<double> out(frames, 0.0);
    for (int i = 0; i < frames; ++i) {
        const double t = i / sampleRate;
        for (const auto& [ratio, gain] : partials) out[i] += gain * std::sin(2 * pi * hz * ratio * t);
        if (decaySeconds > 0) out[i] *= std::exp(-t / decaySeconds);
    }
    return out;
}

TEST(PitchEstimate, FindsTheFundamentalOfKnownTones) {
    struct Case {
        const char* what;
        double hz;
        std::vector<std::pair<double, double>> partials;
        double decaySeconds;
    };
    const Case cases[] = {
        {"low sine", 55, {{1, 1}}, 0},
        {"middle C sine", 261.6256, {{1, 1}}, 0},
        {"sine between bins", 1000.7, {{1, 1}}, 0},
        {"high sine", 1975.53, {{1, 1}}, 0},
        {"saw-like, strong harmonics", 220, {{1, 1}, {2, 0.5}, {3, 0.33}, {4, 0.25}, {5, 0.2}}, 0},
        {"weak fundamental", 196, {{1, 0.2}, {2, 1}, {3, 0.6}}, 0},
        {"fast decay", 523.2511, {{1, 1}, {3, 0.3}}, 0.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const double hz = pitch::estimateHz(tone(c.hz, c.partials, c.decaySeconds), sampleRate, 1000);
        EXPECT_NEAR(pitch::centsBetween(hz, c.hz), 0.0, 1.0) << hz << " Hz";
    }
}

TEST(PitchEstimate, FindsTheLowestStrongPartialOfChordsAndBells) {
    const double c3 = 130.8128, c4 = 261.6256;
    auto et = [](double semitones) { return std::pow(2.0, semitones / 12); };
    struct Case {
        const char* what;
        double baseHz, expectHz;
        std::vector<std::pair<double, double>> partials;
    };
    const Case cases[] = {
        {"minor triad over its bass", c3, c3, {{1, 0.8}, {2, 1}, {2 * et(3), 1}, {2 * et(7), 1}, {4, 0.5}}},
        {"bell, inharmonic", c4, c4, {{1, 1}, {2.76, 0.6}, {5.4, 0.4}, {8.93, 0.2}}},
        {"quiet rumble below the floor is ignored", c4, c4, {{0.37, 0.05}, {1, 1}, {1.5, 0.7}}},
        {"a fifth and an octave above a weak root", c3, c3, {{1, 0.3}, {1.5, 1}, {2, 1}}},
        {"detuned ensemble reads as its centre", c4, c4, {{et(-0.1), 1}, {1, 0.8}, {et(0.1), 1}, {2, 0.5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const double hz = pitch::lowestPartialHz(tone(c.baseHz, c.partials, 0.5, 20000), sampleRate, 1000);
        EXPECT_NEAR(pitch::centsBetween(hz, c.expectHz), 0.0, 2.0) << hz << " Hz";
    }
}

TEST(PitchEstimate, OctavesOfTheReferenceCount) {
    EXPECT_NEAR(pitch::centsFromOctaves(523.2511, 261.6256), 0.0, 0.01);
    EXPECT_NEAR(pitch::centsFromOctaves(130.8128, 261.6256), 0.0, 0.01);
    EXPECT_NEAR(pitch::centsFromOctaves(277.1826, 261.6256), 100.0, 0.01);
    EXPECT_GT(std::fabs(pitch::centsFromOctaves(1046.502, 261.6256)), 1000.0);
}

// ---- The catalogue's table ----

struct Expected {
    int channels, frames, start, root;
};

// Channels, frames used, play start and root note of every entry; 53 and 54
// come from WAV resources.
const Expected expected[66] = {
    {2, 10732, 0, 63},  {1, 97657, 0, 65}, {1, 10244, 0, 62},   {2, 69090, 0, 60}, {1, 35560, 0, 64},
    {1, 62034, 0, 68},  {1, 22500, 3000, 68}, {1, 15865, 0, 61}, {1, 31936, 0, 63}, {1, 66816, 0, 61},
    {1, 5420, 2080, 73}, {1, 15776, 0, 69}, {1, 16947, 0, 60},  {1, 76877, 0, 62}, {1, 21505, 0, 65},
    {1, 15777, 0, 59},  {1, 23553, 0, 57}, {1, 15745, 0, 64},   {1, 11646, 0, 62}, {1, 29440, 0, 58},
    {1, 64859, 0, 57},  {1, 14176, 0, 62}, {1, 25335, 0, 62},   {1, 8963, 0, 57},  {1, 8480, 0, 62},
    {1, 15466, 0, 65},  {1, 15651, 0, 63}, {1, 14418, 0, 54},   {1, 16129, 0, 57}, {1, 98340, 0, 60},
    {1, 27014, 0, 60},  {1, 45057, 0, 58}, {1, 15284, 0, 60},   {1, 20785, 0, 67}, {1, 12479, 0, 63},
    {1, 8863, 0, 65},   {1, 19777, 0, 69}, {1, 10763, 0, 60},   {1, 23742, 0, 60}, {1, 203311, 4000, 63},
    {1, 28386, 0, 64},  {1, 20833, 0, 58}, {1, 91988, 0, 57},   {1, 26560, 0, 55}, {1, 8961, 0, 64},
    {1, 13441, 0, 64},  {1, 14560, 0, 64}, {1, 30210, 0, 60},   {1, 15575, 0, 60}, {2, 93646, 0, 60},
    {1, 51200, 0, 60},  {1, 20832, 0, 60}, {1, 91504, 0, 54},   {0, 0, 0, 0},      {0, 0, 0, 0},
    {1, 16500, 0, 60},  {1, 10081, 0, 60}, {1, 36609, 0, 60},   {1, 22859, 0, 60}, {1, 8050, 0, 60},
    {1, 15361, 0, 60},  {1, 23041, 0, 60}, {1, 41473, 0, 60},   {1, 20130, 0, 60}, {1, 13147, 0, 60},
    {1, 30510, 0, 60},
};

bool fromResource(int id) { return id == 53 || id == 54; }

// The full length of the array behind an entry, guard frame not counted.
int arrayFrames(int id) {
    switch (id) {
        case 6: return catalogueWave05Frames;
        case 10: return catalogueWave09Frames;
        case 55: return catalogueWave55Frames;
        case 59: return catalogueWave59Frames;
        default: return kCatalogue[id].frames;
    }
}

TEST(Catalogue, EntriesHaveTheirChannelsFramesStartsAndRoots) {
    ASSERT_EQ(kCatalogueSize, 66);
    for (int id = 0; id < kCatalogueSize; ++id) {
        SCOPED_TRACE("entry " + std::to_string(id));
        const CatalogueEntry& e = kCatalogue[id];
        if (fromResource(id)) {
            EXPECT_EQ(e.left, nullptr);
            EXPECT_EQ(e.right, nullptr);
            continue;
        }
        EXPECT_EQ(e.channels, expected[id].channels);
        EXPECT_EQ(e.frames, expected[id].frames);
        EXPECT_EQ(e.startPlay, expected[id].start);
        EXPECT_EQ(e.rootNote, expected[id].root);
        EXPECT_NE(e.left, nullptr);
        EXPECT_EQ(e.right != nullptr, e.channels == 2);
        EXPECT_EQ(e.resource, nullptr);
        EXPECT_LE(e.frames, arrayFrames(id));
    }
    EXPECT_STREQ(kCatalogue[53].resource, ":/Resources/sounds/instrus/m1organ.wav");
    EXPECT_STREQ(kCatalogue[54].resource, ":/Resources/sounds/synths/jx1/JX1 C4+C5.wav");
}

TEST(Catalogue, SharedArraysAreTheOnesTheEntriesNeed) {
    EXPECT_EQ(kCatalogue[6].left, kCatalogue[5].left);
    EXPECT_EQ(kCatalogue[10].left, kCatalogue[9].left);
    EXPECT_EQ(catalogueWave05Frames, 62034);
    EXPECT_EQ(catalogueWave09Frames, 66816);
    EXPECT_EQ(catalogueWave55Frames, 31753);
    EXPECT_EQ(catalogueWave59Frames, 22859);
    EXPECT_EQ(catalogueWave39Frames, 203311);
    EXPECT_NE(kCatalogue[59].left, kCatalogue[58].left);
    // Every other entry owns its arrays.
    std::set<const float*> arrays;
    int owners = 0;
    for (int id = 0; id < kCatalogueSize; ++id) {
        if (fromResource(id) || id == 6 || id == 10) continue;
        ++owners;
        arrays.insert(kCatalogue[id].left);
        if (kCatalogue[id].right) arrays.insert(kCatalogue[id].right);
    }
    EXPECT_EQ(owners, 62);
    EXPECT_EQ(arrays.size(), 65u);
}

TEST(Catalogue, NamesAreUniqueKeysEvenIgnoringCaseAndTheAliasNamesNoEntry) {
    std::set<std::string> folded;
    auto fold = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    const std::set<std::string> categories{"stabs", "stabs2", "stabs3", "synth", "voice"};
    for (const CatalogueEntry& e : kCatalogue) {
        SCOPED_TRACE(e.name);
        const std::string name = e.name;
        EXPECT_FALSE(name.empty());
        EXPECT_LE(name.size(), 24u) << "display names stay short";
        EXPECT_EQ(name.find_first_of("/\\\"\n"), std::string::npos);
        EXPECT_NE(name.front(), ' ');
        EXPECT_NE(name.back(), ' ');
        EXPECT_TRUE(folded.insert(fold(name)).second) << "twice, ignoring case";
        EXPECT_TRUE(categories.count(e.category)) << e.category;
    }
    EXPECT_FALSE(folded.count(fold(kCatalogueAlias)));
    EXPECT_EQ(kCatalogueAliasId, 53);
    for (int id = 55; id <= 65; ++id) EXPECT_STREQ(kCatalogue[id].category, "voice") << id;
}

// ---- The sounds as they play ----

struct Played {
    std::string label;
    std::vector<std::vector<double>> channels;
    int rootNote;
    BuiltinTuning tuning;
    bool stab;
    bool held = false;  // ends in its sustain loop, not in silence
};

std::vector<Played> playedSounds() {
    std::vector<Played> out;
    out.push_back({"coin", {std::vector<double>(coin, coin + coinFrames)}, 60, BuiltinTuning::Periodic, false});
    for (int id = 0; id < kCatalogueSize; ++id) {
        const CatalogueEntry& e = kCatalogue[id];
        if (!e.left) continue;
        Played p{std::to_string(id) + " " + e.name, {}, e.rootNote, e.tuning,
                 std::string(e.category).rfind("stabs", 0) == 0, kCatalogueLoops[id].end > 0};
        for (const float* array : {e.left, e.right}) {
            if (array) p.channels.emplace_back(array + e.startPlay, array + e.frames);
        }
        out.push_back(std::move(p));
    }
    return out;
}

const std::vector<Played>& played() {
    static const std::vector<Played> sounds = playedSounds();
    return sounds;
}

std::vector<double> monoMix(const Played& p) {
    std::vector<double> out(p.channels[0].size(), 0.0);
    for (const auto& channel : p.channels) {
        for (std::size_t i = 0; i < out.size(); ++i) out[i] += channel[i] / p.channels.size();
    }
    return out;
}

TEST(BuiltinWaveform, CoinIsTheDefaultLength) { EXPECT_EQ(coinFrames, 20108); }

TEST(BuiltinWaveform, EachArrayEndsWithAGuardFrameEqualToFrameZero) {
    EXPECT_EQ(coin[coinFrames], coin[0]);
    for (int id = 0; id < kCatalogueSize; ++id) {
        const CatalogueEntry& e = kCatalogue[id];
        if (!e.left) continue;
        SCOPED_TRACE(e.name);
        for (const float* array : {e.left, e.right}) {
            if (array) {
                EXPECT_EQ(std::memcmp(array + arrayFrames(id), array, sizeof(float)), 0);
            }
        }
    }
}

TEST(BuiltinWaveform, LevelIsHighWithoutClippingOrDc) {
    for (const Played& p : played()) {
        for (std::size_t c = 0; c < p.channels.size(); ++c) {
            SCOPED_TRACE(p.label + " channel " + std::to_string(c));
            double peak = 0, sum = 0;
            for (double v : p.channels[c]) {
                ASSERT_TRUE(std::isfinite(v));
                peak = std::max(peak, std::fabs(v));
                sum += v;
            }
            EXPECT_LE(peak, 1.0);
            EXPECT_GT(peak, 0.3);
            EXPECT_LT(std::fabs(sum / p.channels[c].size()), 1e-3);
        }
    }
}

TEST(BuiltinWaveform, StartsAndEndsAtSilenceWithoutAClick) {
    constexpr int edge = 10;  // about a quarter of a millisecond
    for (const Played& p : played()) {
        for (std::size_t c = 0; c < p.channels.size(); ++c) {
            SCOPED_TRACE(p.label + " channel " + std::to_string(c));
            const std::vector<double>& x = p.channels[c];
            for (int i = 0; i < edge; ++i) {
                EXPECT_LT(std::fabs(x[i]), 0.01) << "frame " << i;
                if (!p.held) {
                    EXPECT_LT(std::fabs(x[x.size() - 1 - i]), 0.01) << "frame " << x.size() - 1 - i;
                }
            }
        }
    }
}

TEST(BuiltinWaveform, PitchedSoundsAreInTuneWithTheirRootNote) {
    for (const Played& p : played()) {
        if (p.tuning == BuiltinTuning::Unpitched) continue;
        const std::vector<double> x = monoMix(p);
        const double rootHz = noteHz(p.rootNote);
        const bool periodic = p.tuning == BuiltinTuning::Periodic;
        // One pitch throughout, from just past the attack.
        for (std::size_t start : pitch::analysisPoints(x, sampleRate)) {
            SCOPED_TRACE(p.label + " from frame " + std::to_string(start));
            const double hz = pitch::heardHz(x, sampleRate, rootHz, start, periodic);
            ASSERT_GT(hz, 0.0);
            EXPECT_NEAR(pitch::centsFromOctaves(hz, rootHz), 0.0, pitch::toleranceCents(p.label)) << hz << " Hz";
        }
    }
}

// Correlation of two channels: 1 when they are the same sound.
double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ab += a[i] * b[i];
        aa += a[i] * a[i];
        bb += b[i] * b[i];
    }
    return ab / std::sqrt(aa * bb);
}

// Two channels make a stereo image: related, but not the same sound twice.
TEST(BuiltinWaveform, StereoEntriesSpreadAcrossBothChannels) {
    int stereo = 0;
    for (const Played& p : played()) {
        if (p.channels.size() != 2) continue;
        SCOPED_TRACE(p.label);
        ++stereo;
        const double c = correlation(p.channels[0], p.channels[1]);
        EXPECT_LT(c, 0.99);
        EXPECT_GT(c, 0.2);
    }
    EXPECT_EQ(stereo, 3);
}

// A stab is a short hit: its last quarter is far quieter than its loudest moment.
TEST(BuiltinWaveform, StabsDieAway) {
    for (const Played& p : played()) {
        if (!p.stab) continue;
        SCOPED_TRACE(p.label);
        const std::vector<double> x = monoMix(p);
        const std::size_t block = 441;
        double loudest = 0;
        for (std::size_t b = 0; b + block <= x.size(); b += block) {
            double energy = 0;
            for (std::size_t i = b; i < b + block; ++i) energy += x[i] * x[i];
            loudest = std::max(loudest, std::sqrt(energy / block));
        }
        double tail = 0;
        for (std::size_t i = x.size() * 3 / 4; i < x.size(); ++i) tail += x[i] * x[i];
        tail = std::sqrt(tail / (x.size() - x.size() * 3 / 4));
        EXPECT_LT(tail, 0.3 * loudest);
    }
}

}  // namespace
