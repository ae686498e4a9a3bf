// The RIFF WAVE sounds embedded in the plug-in under resource names
// ":/Resources/sounds/<folder>/<file>", with their formats and root notes.
#pragma once

#include <string>
#include <vector>

#include "sound.h"

namespace soundgen {

struct WavFormat {
    int channels;
    int bits;  // 8 (unsigned) or 16 (signed)
    int sampleRate;
};

struct EmbeddedSound {
    std::string folder;  // "stabs2", "stabs3", "voices", "instrus" or "synths/jx1"
    std::string file;    // ends in ".wav"
    WavFormat format;
    int frames;
    int tableRoot;       // its entry in the root-note table; 0: none, it plays at its recorded pitch on note 60
    Recipe recipe;

    std::string resourceName() const { return ":/Resources/sounds/" + folder + "/" + file; }
    int rootNote() const { return tableRoot ? tableRoot : 60; }
};

const std::vector<EmbeddedSound>& embeddedSounds();

// The octave pad loops from this frame to its end.
constexpr int octavePadLoopStart = 12443;

}  // namespace soundgen
