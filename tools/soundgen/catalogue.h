// The built-in instrument catalogue, ids 0 to 65: display names, browser
// categories, the frames each entry plays and the recipes of their arrays.
#pragma once

#include <string>
#include <vector>

#include "sound.h"

namespace soundgen {

struct CatalogueSound {
    int id;
    std::string name;      // display name: the key programs select the instrument by
    std::string category;  // "stabs", "stabs2", "stabs3", "synth" or "voice"
    int channels;          // 0 for entries played from an embedded WAV resource
    int frames;            // frames played, counted from frame 0 of the array
    int startPlay;
    int rootNote;
    Recipe recipe;         // of its own array; only the tuning for entries that share one
    int arrayFrames = 0;   // when the array is longer than the entry plays; 0: frames
    int sharesArrayOf = -1;
    std::string resource = {};  // for entries played from an embedded WAV resource

    bool ownsArray() const { return resource.empty() && sharesArrayOf < 0; }
    int lengthOfArray() const { return arrayFrames > 0 ? arrayFrames : frames; }
};

const std::vector<CatalogueSound>& catalogue();

// The name entry 53 had in older programs.
extern const char* const catalogueAlias;
constexpr int catalogueAliasId = 53;

}  // namespace soundgen
