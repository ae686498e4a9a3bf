// The built-in sounds whose words Debian's speech synthesiser (espeak-ng)
// spoke at build time, as the generated headers mark them (kCatalogueSpoken,
// kEmbeddedResourceSpoken), each with a hash of the bytes the plug-in plays:
// a catalogue entry's frames and the one after them (a voice reads it), of
// each channel; a resource's whole WAV image. tests/golden/voice_sounds.txt
// records them, so that a new version of the synthesiser shows up as the
// voice sounds changing rather than as the programs that play them.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "resources/builtin_catalogue.h"
#include "resources/builtin_resources.h"
#include "tests/support/fnv1a.h"

struct VoiceSound {
    std::string name;  // the catalogue entry's display name or the resource name
    std::uint64_t hash;
};

inline const char* const kVoiceSoundsFile = QUAXEL2_SOURCE_DIR "/tests/golden/voice_sounds.txt";

inline std::vector<VoiceSound> voiceSounds() {
    std::vector<VoiceSound> sounds;
    for (int i = 0; i < kCatalogueSize; i++) {
        const CatalogueEntry& entry = kCatalogue[i];
        if (!kCatalogueSpoken[i] || !entry.left) continue;  // one playing a resource: that is listed itself
        const std::size_t bytes = static_cast<std::size_t>(entry.frames + 1) * sizeof(float);
        std::uint64_t hash = fnv1a64(entry.left, bytes);
        if (entry.right) hash = fnv1a64(entry.right, bytes, hash);
        sounds.push_back({entry.name, hash});
    }
    for (int i = 0; i < kEmbeddedResourceCount; i++) {
        const EmbeddedResource& resource = kEmbeddedResources[i];
        if (kEmbeddedResourceSpoken[i])
            sounds.push_back({resource.name, fnv1a64(resource.data, static_cast<std::size_t>(resource.size))});
    }
    return sounds;
}

// Lines "name | hash"; an absent file records nothing.
inline std::map<std::string, std::uint64_t> readVoiceSounds(const std::string& path) {
    std::map<std::string, std::uint64_t> recorded;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        const auto bar = line.rfind(" | ");
        std::uint64_t hash;
        if (line.empty() || line[0] == '#' || bar == std::string::npos) continue;
        if (std::istringstream(line.substr(bar + 3)) >> std::hex >> hash) recorded[line.substr(0, bar)] = hash;
    }
    return recorded;
}

inline void writeVoiceSounds(const std::string& path, const std::vector<VoiceSound>& sounds) {
    std::ofstream file(path);
    file << "# name | FNV-1a 64 of the bytes the plug-in plays (tests/support/voice_sounds.h)\n";
    for (const VoiceSound& s : sounds)
        file << s.name << " | " << std::hex << s.hash << std::dec << "\n";
}

// Each voice sound that is not as recorded, with how: "changed", "new" or
// "gone"; empty when they all are.
inline std::vector<std::string> voiceSoundChanges(const std::vector<VoiceSound>& now,
                                                  std::map<std::string, std::uint64_t> recorded) {
    std::vector<std::string> changes;
    for (const VoiceSound& s : now) {
        const auto it = recorded.find(s.name);
        if (it == recorded.end())
            changes.push_back(s.name + " (new)");
        else if (it->second != s.hash)
            changes.push_back(s.name + " (changed)");
        if (it != recorded.end()) recorded.erase(it);
    }
    for (const auto& [name, hash] : recorded) changes.push_back(name + " (gone)");
    return changes;
}

inline bool voiceSoundsAsRecorded() {
    return voiceSoundChanges(voiceSounds(), readVoiceSounds(kVoiceSoundsFile)).empty();
}

// Whether the catalogue entry a program names (its display name or the
// older alias) plays spoken words.
inline bool catalogueEntrySpoken(const std::string& name) {
    if (name == kCatalogueAlias) return kCatalogueSpoken[kCatalogueAliasId];
    for (int i = 0; i < kCatalogueSize; i++)
        if (name == kCatalogue[i].name) return kCatalogueSpoken[i];
    return false;
}

inline bool resourceSpoken(const std::string& name) {
    for (int i = 0; i < kEmbeddedResourceCount; i++)
        if (name == kEmbeddedResources[i].name) return kEmbeddedResourceSpoken[i];
    return false;
}
