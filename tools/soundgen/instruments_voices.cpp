// Voices, and noise for unpitched hits.
#include "instruments.h"

#include <cmath>

#include "instrument_parts.h"

namespace soundgen {

using namespace parts;

Patch choir(const Vowel& vowel, const Notes& notes, int singers, double attackMs) {
    Noise breath = burst(0.12, 8000, 0, 300);
    breath.envelope = {attackMs, 0, 0, 1};
    breath.filtered = true;
    return withNotes(notes)
        .with(glottalOsc().voices(singers, 8))
        .with(breath)
        .vibrate(5.2, 6, 250)
        .sing(vowel)
        .envelope(attackMs, 0, 1);
}

Patch soloVowel(const Vowel& vowel, double attackMs) {
    Noise breath = burst(0.2, 8000, 0, 400);
    breath.envelope = {attackMs, 0, 0, 1};
    breath.filtered = true;
    return Patch().with(glottalOsc()).with(breath).vibrate(5.5, 6, 300).sing(vowel).envelope(attackMs, 0, 1);
}

Patch spoken(const std::string& text, const std::string& voice, int pitch, int rate) {
    Patch p;
    p.speech = {text, voice, pitch, rate};
    return p.envelope(1, 0, 1);
}

Patch noiseHit(double lowpassHz, double decayMs) {
    return Patch().with(burst(1, lowpassHz, decayMs, 40)).envelope(1, 0, 1);
}

}  // namespace soundgen
