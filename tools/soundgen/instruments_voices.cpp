// Voices, and noise for unpitched hits.
#include "instruments.h"

#include <cmath>

#include "instrument_parts.h"

namespace soundgen {

using namespace parts;

// Singers a little apart in pitch (16 cents between the outermost), each
// with a vibrato of their own (30 to 45 cents deep, at rates 20 % apart)
// and a throat of their own (formants up to 4 % apart).
Patch choir(const Vowel& vowel, const Notes& notes, int singers, double attackMs) {
    Noise breath = burst(0.12, 8000, 0, 300);
    breath.envelope = {attackMs, 0, 0, 1};
    breath.filtered = true;
    Patch p = withNotes(notes)
                  .with(glottalOsc().voices(singers, 16))
                  .with(breath)
                  .vibrate(5.2, 37.5, 250)
                  .sing(vowel)
                  .envelope(attackMs, 0, 1);
    p.vibrato.rateScatter = 0.2;
    p.vibrato.depthScatter = 0.4;
    p.formantScatter = 0.08;
    return p;
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
