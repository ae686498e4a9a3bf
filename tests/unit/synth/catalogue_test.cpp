// Built-in instruments by number and name, embedded sounds, and new
// instruments made by the plug-in from names and paths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "instruments/catalogue.h"
#include "instruments/wave_file.h"
#include "plugin_fixture.h"
#include "resources/builtin_catalogue.h"
#include "resources/builtin_resources.h"

namespace {

Sample* sampleOf(Instrument* instrument) { return instrument->getSample(0, -1, -1); }

TEST(CatalogueLoading, ByNameNumberAndAlias) {
    PluginFixture f;  // builds the name table
    ASSERT_NE(internalInstrumentName, nullptr);
    EXPECT_STREQ(internalInstrumentName[12], kCatalogue[12].name);

    Instrument byName(64, 44100);
    byName.loadFromName(internalInstrumentName[12]);
    EXPECT_EQ(byName.name, internalInstrumentName[12]);
    EXPECT_EQ(sampleOf(&byName)->channels, 1);
    EXPECT_EQ(sampleOf(&byName)->length, 16947);
    EXPECT_EQ(sampleOf(&byName)->startPlay, 0);
    EXPECT_EQ(sampleOf(&byName)->rootRatio, 1.0);

    Instrument shared(64, 44100), owner(64, 44100);
    shared.loadFromId(6, 0);
    owner.loadFromId(5, 0);
    EXPECT_EQ(sampleOf(&shared)->buffers[0], sampleOf(&owner)->buffers[0]);
    EXPECT_EQ(sampleOf(&shared)->length, 22500);
    EXPECT_EQ(sampleOf(&shared)->startPlay, 3000);
    EXPECT_EQ(sampleOf(&shared)->rootRatio, sampleOf(&owner)->rootRatio);

    std::string shouted = internalInstrumentName[12];
    for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Instrument unknown(64, 44100);
    unknown.loadFromName(shouted);
    EXPECT_EQ(unknown.name, "");
    EXPECT_EQ(sampleOf(&unknown), &unknown.defaultSample);

    Instrument fallback(64, 44100);
    fallback.loadFromId(70, 0);
    EXPECT_EQ(fallback.name, "coin");
    EXPECT_EQ(sampleOf(&fallback)->length, 20107);

    Instrument alias(64, 44100);
    alias.loadFromName(kCatalogueAlias);
    EXPECT_EQ(alias.name, internalInstrumentName[53]);
    EXPECT_GT(sampleOf(&alias)->length, 0);

    Instrument looping(64, 44100);
    looping.loadFromId(54, 1);
    EXPECT_EQ(looping.type, 1);
    EXPECT_EQ(sampleOf(&looping)->loopStyle, Loop);
    EXPECT_EQ(sampleOf(&looping)->loopStart, 12443);
    EXPECT_EQ(sampleOf(&looping)->loopEnd, sampleOf(&looping)->length - 1);
}

TEST(CatalogueLoading, StereoEntriesPlayTheirSecondArrayOnTheRight) {
    PluginFixture f;
    Instrument* stereo = f.plugin->createInstrumentFromString(internalInstrumentName[0]);
    ASSERT_NE(stereo, nullptr);
    // At its root it plays at recorded speed (interpolated, since the note
    // and root ratios multiply to 1 only within rounding).
    stereo->setParameter(Instrument::kInterpolate, 1.0f);
    f.midi(0x90, 63, 127);
    auto [left, right] = f.render(64);
    for (int k : {10, 40, 63}) {
        EXPECT_NEAR(left[k], kCatalogue[0].left[k], 1e-6) << k;
        EXPECT_NEAR(right[k], kCatalogue[0].right[k], 1e-6) << k;
    }
}

TEST(EmbeddedSounds, LoadWithTheirFormatAndRootNote) {
    Sample tuned, plain, wrongCase;
    ASSERT_TRUE(tuned.loadFromResource(kResourceRootNotes[0].name));
    double expected = 1.0;
    for (int k = kResourceRootNotes[0].rootNote; k > 60; k--) expected /= 1.059463094359;
    for (int k = kResourceRootNotes[0].rootNote; k < 60; k++) expected *= 1.059463094359;
    EXPECT_EQ(tuned.rootRatio, expected);
    EXPECT_EQ(tuned.buffers[0][tuned.length], tuned.buffers[0][0]);

    std::string untuned;
    for (const EmbeddedResource& r : kEmbeddedResources) {
        bool listed = false;
        for (const ResourceRootNote& n : kResourceRootNotes) listed |= std::string(n.name) == r.name;
        if (!listed) untuned = r.name;
    }
    ASSERT_TRUE(plain.loadFromResource(untuned));
    EXPECT_EQ(plain.rootRatio, 1.0);
    EXPECT_EQ(Sample::pathToBuffer(untuned) != nullptr, true);

    std::string otherCase = untuned;
    for (char& c : otherCase) c = static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c));
    EXPECT_FALSE(wrongCase.loadFromResource(otherCase));
    EXPECT_EQ(Sample::pathToBuffer(":/Resources/sounds/none.wav"), nullptr);
    for (Sample* s : {&tuned, &plain}) s->releaseOwnedBuffers();
}

// A RIFF image built by hand: "fmt " at 12, optional extra chunk, then data.
std::vector<unsigned char> image(int channels, int bits, const std::vector<unsigned char>& data, bool extraChunk) {
    std::vector<unsigned char> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                      1, 0, static_cast<unsigned char>(channels), 0, 0x44, 0xAC, 0, 0, 0, 0, 0, 0,
                                      static_cast<unsigned char>(channels * bits / 8), 0, static_cast<unsigned char>(bits), 0};
    if (extraChunk) out.insert(out.end(), {'L', 'I', 'S', 'T', 2, 0, 0, 0, 'x', 'y'});
    out.insert(out.end(), {'d', 'a', 't', 'a', static_cast<unsigned char>(data.size()), 0, 0, 0});
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

TEST(WaveImages, ConversionAndChunkWalk) {
    const auto eight = image(1, 8, {0, 128, 255}, true);
    WaveFile wave(eight.data(), eight.size());
    ASSERT_EQ(wave.frames, 3);
    float out[3];
    wave.read(out, 3, 0);
    EXPECT_EQ(out[0], -1.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 0.9921875f);

    const auto sixteen = image(2, 16, {0x00, 0x80, 0xFF, 0x7F, 0x00, 0x40, 0x00, 0xC0}, false);
    WaveFile stereo(sixteen.data(), sixteen.size());
    ASSERT_EQ(stereo.frames, 2);
    float left[2], right[2];
    stereo.read(left, 2, 0);
    stereo.read(right, 2, 1);
    EXPECT_EQ(left[0], -1.0f);
    EXPECT_EQ(right[0], 32767.0f / 32768.0f);
    EXPECT_EQ(left[1], 0.5f);
    EXPECT_EQ(right[1], -0.5f);

    // A data chunk claiming more than the image holds keeps what is there.
    auto cut = image(1, 16, {1, 0, 2, 0, 3, 0, 4, 0}, false);
    cut[40] = 200;
    WaveFile truncated(cut.data(), cut.size());
    EXPECT_EQ(truncated.frames, 4);
    auto noAlign = image(1, 16, {1, 0}, false);
    noAlign[32] = 0;
    EXPECT_EQ(WaveFile(noAlign.data(), noAlign.size()).frames, 0);
    auto wide = image(1, 24, {1, 2, 3}, false);
    EXPECT_FALSE(WaveFile(wide.data(), wide.size()).supported());
}

TEST(NewInstruments, FromNamesAndPaths) {
    PluginFixture f;
    Quaxel2& p = *f.plugin;
    Instrument* organ = p.createInstrumentFromString(internalInstrumentName[50]);
    ASSERT_NE(organ, nullptr);
    EXPECT_EQ(organ->id, 0);
    ASSERT_NE(organ->data, nullptr);
    EXPECT_STREQ(organ->data->name, internalInstrumentName[50]);
    auto* region = reinterpret_cast<SampleData*>(p.getSampleRegion());
    p.bindSampleRecord(organ);
    EXPECT_EQ(region->length, sampleOf(organ)->length);

    const std::string resource = kEmbeddedResources[3].name;
    Instrument* embedded = p.createInstrumentFromPath(resource);
    ASSERT_NE(embedded, nullptr);
    EXPECT_EQ(embedded->type, 2);
    EXPECT_EQ(embedded->path, resource);
    const std::string file = resource.substr(resource.find_last_of('/') + 1);
    EXPECT_EQ(embedded->name, file.substr(0, file.find_last_of('.')));
    EXPECT_STREQ(embedded->data->path, resource.c_str());

    EXPECT_EQ(p.createInstrumentFromPath("/no/such/file.wav"), nullptr);
    EXPECT_EQ(p.createInstrumentFromPath(":/Resources/sounds/stabs2/none.wav"), nullptr);
    EXPECT_EQ(p.getRack(0)->getCount(), 2);

    f.midi(0x90, 60, 100);
    auto left = f.render(64).first;
    float peak = 0;
    for (float x : left) peak = std::max(peak, std::fabs(x));
    EXPECT_GT(peak, 0.001f);

    for (int i = 2; i < 16; i++) ASSERT_NE(p.createInstrumentFromPath(resource), nullptr) << i;
    EXPECT_EQ(p.createInstrumentFromPath(resource), nullptr);  // the rack is full
    EXPECT_EQ(p.createInstrumentFromString(internalInstrumentName[1]), nullptr);
    EXPECT_EQ(p.getInstruData(), nullptr);
    p.getRack(0)->removeInstrumentAt(4);
    EXPECT_NE(p.getInstruData(), nullptr);  // the freed slot goes to the next one
}

}  // namespace
