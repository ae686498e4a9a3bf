// The built-in sounds. Each entry: name, frames, channels, the MIDI note its
// layers are tuned to, then its layers (see recipe.h for every setting).
#include "recipe.h"

namespace soundgen {

const std::vector<Sound>& builtinSounds() {
    static const std::vector<Sound> sounds = {
        // The default waveform: a bright pulse at C5 with a ringing octave,
        // quick attack, losing its top as it dies away.
        {"coin", 20108, 1, 72, {
            pulse(0.25).attack(2).decay(150).damped(4),
            sine().at(2).level(0.3).attack(1).decay(60),
        }},
    };
    return sounds;
}

}  // namespace soundgen
