// Stabs: short chords and hits.
#include "instruments.h"

#include <cmath>

#include "instrument_parts.h"

namespace soundgen {

using namespace parts;

Patch sawStab(const Notes& notes, double decayMs, double brightness) {
    return withNotes(notes)
        .with(sawOsc().voices(3, 10))
        .with(squareOsc().level_(0.35))
        .tracked(3 * brightness, 1.0, 2.8, decayMs * 0.45, 4)
        .envelope(2, decayMs);
}

Patch squareStab(const Notes& notes, double decayMs, double brightness) {
    return withNotes(notes)
        .with(squareOsc().voices(2, 10))
        .with(pulseOsc(0.25).at(12).level_(0.25))
        .tracked(3 * brightness, 1.2, 2.6, decayMs * 0.5, 4)
        .envelope(2, decayMs);
}

Patch organStab(const Notes& notes, double decayMs) {
    return withNotes(notes)
        .with(organOsc({1, 0.9, 0.55, 0.75, 0, 0.35, 0, 0.3}).voices(2, 5))
        .with(burst(0.08, 5000, 4, 1500))
        .envelope(2, decayMs, 0.0, 40);
}

Patch raveStab(const Notes& notes, double decayMs) {
    return withNotes(notes)
        .with(sawOsc().voices(5, 22))
        .with(pulseOsc(0.3).at(-12).level_(0.5))
        .tracked(3, 2.0, 2.2, decayMs * 0.6, 4)
        .envelope(1, decayMs);
}

Patch pianoStab(const Notes& notes, double decayMs) {
    Patch p = piano(notes);
    p.amp = {1, 0, decayMs, 0};
    return p;
}

Patch brassStab(const Notes& notes, double decayMs, double attackMs) {
    Patch p = withNotes(notes)
                  .with(sawOsc().voices(3, 6))
                  .with(pulseOsc(0.35).level_(0.4))
                  .tracked(2.5, 1.0, 1.8, decayMs * 0.8, 2)
                  .vibrate(5.5, 5, 250)
                  .envelope(attackMs, decayMs, 0.0, 40);
    p.filter.envelope = {attackMs * 2.5, 20, decayMs * 0.8, 0.25};
    return p;
}

Patch stringStab(const Notes& notes, double decayMs) {
    return withNotes(notes)
        .with(sawOsc().voices(5, 18))
        .with(burst(0.05, 6000, 40, 2000))
        .tracked(8, 0.8, 0.8, decayMs * 0.5)
        .envelope(6, decayMs, 0, 30);
}

Patch heldBrass(const Notes& notes, double attackMs) {
    Patch p = brassStab(notes, 300, attackMs);
    p.amp = {attackMs, 0, 0, 1};
    p.filter.envelope = {attackMs * 2.5, 20, 280, 0.35};
    return p;
}

Patch orchestraHit(const Notes& notes, double decayMs) {
    Notes wide = notes;
    for (double n : notes) wide.push_back(n + 12);
    Patch p = withNotes(wide)
                  .with(sawOsc().voices(4, 20))
                  .with(pulseOsc(0.3).detune(4).level_(0.5))
                  .tracked(5, 0.9, 1.5, decayMs * 0.5)
                  .envelope(3, decayMs, 0, 30);
    // Timpani and a crash of noise under the chord.
    p.noises.push_back(burst(0.7, 3000, decayMs * 0.35, 200));
    for (const Mode& t : std::vector<Mode>{{0.5, 1.6, decayMs}, {0.75, 0.8, decayMs * 0.7}}) p.partials.push_back(t);
    return p;
}

Patch choirStab(const Notes& notes, const Vowel& vowel, double decayMs) {
    Patch p = choir(vowel, notes, 3, 8);
    p.amp = {8, 40, decayMs, 0};
    p.vibrato = {};  // too short to sing with vibrato
    return p;
}

Patch pizzicato(const Notes& notes) {
    return withNotes(notes)
        .with(struck(14, 1.0, 110, 0.35))
        .with(burst(0.15, 3000, 6, 300))
        .envelope(1, 0, 1);
}

Patch clav(const Notes& notes) {
    return withNotes(notes)
        .with(pulseOsc(0.18))
        .with(pulseOsc(0.5).at(12).level_(0.3))
        .tracked(5, 1.5, 1.8, 40, 2)
        .envelope(1, 70);
}

Patch syncStab(const Notes& notes, double decayMs) {
    return withNotes(notes)
        .with(syncOsc(2.7).voices(2, 8))
        .with(sawOsc().at(-12).level_(0.5))
        .tracked(6, 1.3, 1.6, decayMs * 0.5, 2)
        .envelope(1, decayMs);
}

Patch fmStab(const Notes& notes, double decayMs) {
    Patch p = withNotes(notes);
    p.fm.push_back({1, 1, 3.0, decayMs * 0.4, 0.15, 1, 0});
    p.fm.push_back({2, 3, 1.2, decayMs * 0.3, 0, 0.3, 0});
    return p.envelope(1, decayMs);
}

}  // namespace soundgen
