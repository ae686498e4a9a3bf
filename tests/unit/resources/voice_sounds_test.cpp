// The sounds Debian's speech synthesiser (espeak-ng) spoke at build time,
// checked on their own against tests/golden/voice_sounds.txt: a new version
// of the synthesiser fails here once, and the factory golden renders leave
// out the programs that play these sounds while they differ.
//
// When they change, listen to the voice programs; if they sound right,
// record the sounds again (then the golden renders compare those programs
// again, and may need recording too):
//
//   QUAXEL2_WRITE_VOICE_SOUNDS=$PWD/tests/golden/voice_sounds.txt ctest --test-dir BUILD_DIR -R VoiceSounds
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/voice_sounds.h"

namespace {

TEST(VoiceSounds, AreAsRecorded) {
    const std::vector<VoiceSound> sounds = voiceSounds();
    if (const char* out = std::getenv("QUAXEL2_WRITE_VOICE_SOUNDS")) {
        writeVoiceSounds(out, sounds);
        GTEST_SKIP() << sounds.size() << " voice sounds recorded in " << out;
    }
    const std::vector<std::string> changes = voiceSoundChanges(sounds, readVoiceSounds(kVoiceSoundsFile));
    if (changes.empty()) return;
    std::string names;
    for (const std::string& change : changes) names += (names.empty() ? "" : ", ") + change;
    FAIL() << "the generated voice sounds changed: " << names << "\n"
           << "(espeak-ng speaks them at build time; a new version of it changes them.) The factory golden renders "
              "leave out the programs that play them until they are recorded again, after listening to them: "
              "QUAXEL2_WRITE_VOICE_SOUNDS=<source dir>/tests/golden/voice_sounds.txt ctest -R VoiceSounds";
}

// The marks come from the recipes; spoken words have no pitch to tune and
// belong with the voices.
TEST(VoiceSounds, AreTheUnpitchedVoices) {
    int spoken = 0;
    for (int i = 0; i < kCatalogueSize; i++) {
        if (!kCatalogueSpoken[i]) continue;
        spoken++;
        EXPECT_EQ(std::string(kCatalogue[i].category), "voice") << kCatalogue[i].name;
        EXPECT_EQ(kCatalogue[i].tuning, BuiltinTuning::Unpitched) << kCatalogue[i].name;
    }
    for (int i = 0; i < kEmbeddedResourceCount; i++) {
        if (!kEmbeddedResourceSpoken[i]) continue;
        spoken++;
        const std::string name = kEmbeddedResources[i].name;
        EXPECT_EQ(name.rfind(":/Resources/sounds/voices/", 0), 0u) << name;
        EXPECT_EQ(kEmbeddedResourceTuning[i], BuiltinTuning::Unpitched) << name;
    }
    EXPECT_EQ(static_cast<std::size_t>(spoken), voiceSounds().size());
    EXPECT_GT(spoken, 0);
}

}  // namespace
