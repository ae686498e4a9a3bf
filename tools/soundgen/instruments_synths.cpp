// Plucks, basses, leads and pads.
#include "instruments.h"

#include <cmath>

#include "instrument_parts.h"

namespace soundgen {

using namespace parts;

Patch synthPluck(double decayMs) {
    return Patch()
        .with(sawOsc().voices(2, 8))
        .with(squareOsc().at(12).level_(0.2))
        .tracked(2.2, 1.2, 4.0, decayMs * 0.35, 4)
        .envelope(1, decayMs);
}

Patch acidPluck(double decayMs) {
    return Patch().with(sawOsc()).tracked(2.5, 4, 3.5, decayMs * 0.5, 4).envelope(1, decayMs, 0, 10);
}

Patch analogBass(double decayMs) {
    return Patch()
        .with(sawOsc())
        .with(squareOsc().at(-12).level_(0.7))
        .tracked(2, 1.2, 2.2, 180, 4)
        .envelope(2, decayMs, 0.45);
}

Patch subBass() {
    return Patch().with(sineOsc()).with(triangleOsc().at(12).level_(0.12)).envelope(4, 900, 0.5);
}

Patch fingerBass() {
    Patch p;
    p.partials = struck(10, 1.3, 1100, 0.6);
    // The finger's pluck opens the tone an octave for a moment; then it is round.
    return p.with(burst(0.08, 1200, 10, 80)).lowpass(900, 0.8, 1.0, 120).envelope(2, 0, 1);
}

Patch harp() {
    Patch p;
    p.partials = struck(12, 1.4, 1300, 0.5);
    // Bright as the string leaves the finger, mellow as it rings.
    return p.tracked(10, 0.707, 1.0, 200).envelope(1, 0, 1);
}

Patch nylonGuitar() {
    Patch p;
    p.partials = struck(16, 1.0, 1000, 0.4);
    for (std::size_t n = 0; n < p.partials.size(); ++n) {
        // plucked a fifth of the way along the string: every fifth harmonic missing
        if ((n + 1) % 5 == 0) p.partials[n].gain *= 0.05;
    }
    // Nylon is mellow: the upper partials fade under the pluck's brightness.
    return p.with(burst(0.06, 3000, 6, 500)).tracked(8, 0.707, 1.2, 150).envelope(1, 0, 1);
}

Patch chipSquare(double duty, double decayMs) {
    return Patch().with(pulseOsc(duty)).envelope(1, decayMs, decayMs > 0 ? 0.2 : 1);
}

Patch flute() {
    Noise breath = burst(0.06, 3000, 0, 800);
    breath.envelope = {80, 0, 0, 1};
    return Patch()
        .with(sineOsc())
        .with(sineOsc().at(12).level_(0.2))
        .with(sineOsc().at(19.02).level_(0.06))
        .with(breath)
        .vibrate(5, 6, 300)
        .envelope(70, 0, 1);
}

Patch clarinet() {
    return Patch()
        .with(squareOsc())
        .with(sineOsc().level_(0.4))
        .lowpass(1500, 0.8, 0.6, 200)
        .vibrate(5, 3, 400)
        .envelope(40, 0, 1);
}

Patch warmPad(const Notes& notes) {
    return withNotes(notes)
        .with(sawOsc().voices(3, 18))
        .with(triangleOsc().at(-12).level_(0.6))
        .lowpass(1100, 0.9)
        .sweep(0.25, 0.35)
        .envelope(380, 0, 1);
}

Patch stringPad(const Notes& notes, double attackMs) {
    return withNotes(notes)
        .with(sawOsc().voices(6, 22))
        .with(sawOsc().at(12).voices(2, 12).level_(0.3))
        .lowpass(3200, 0.7)
        .vibrate(5.5, 5, 300)
        .envelope(attackMs, 0, 1);
}

Patch supersawPad(const Notes& notes) {
    Osc saws = sawOsc().voices(7, 34);
    saws.width = 1;
    return withNotes(notes).with(saws).with(sineOsc().at(-12).level_(0.5)).lowpass(2600, 0.8).sweep(0.18, 0.5).envelope(280, 0, 1);
}

Patch sweepPad(const Notes& notes) {
    return withNotes(notes)
        .with(sawOsc().voices(3, 14))
        .with(pulseOsc(0.3).at(-12).level_(0.6))
        .tracked(5, 2.5)
        .sweep(0.35, 1.3)
        .envelope(200, 0, 1);
}

Patch evolvingPad() {
    Patch p = Patch()
                  .with(sawOsc().voices(5, 20))
                  .with(glottalOsc().at(-12).voices(3, 10).level_(0.8))
                  .with(triangleOsc().at(12).level_(0.25))
                  .lowpass(900, 1.6, 1.8, 900)
                  .sweep(0.11, 1.0)
                  .envelope(900, 0, 1);
    p.filter.envelope = {1800, 0, 900, 0};
    return p;
}

}  // namespace soundgen
