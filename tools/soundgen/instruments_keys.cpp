// Keys, mallets and bells.
#include "instruments.h"

#include <cmath>

#include "instrument_parts.h"

namespace soundgen {

using namespace parts;

Patch organ(const Notes& notes, std::vector<double> drawbars, double percussion) {
    Patch p = withNotes(notes).with(organOsc(std::move(drawbars)).voices(2, 4)).with(burst(0.06, 6000, 3, 1200));
    if (percussion > 0) p.partials.push_back({3, percussion, 220});
    p.vibrato = {6.5, 4, 0};
    return p.envelope(4, 0, 1);
}

Patch houseOrgan() {
    Patch p = organ({0}, {1, 1, 0.8, 0.9, 0, 0.5, 0, 0.45}, 0.5);
    p.amp = {2, 30, 320, 0.45};
    return p;
}

// Three strings a cent or so apart, as a piano tunes its unisons; a felt
// thump as the hammer lands.
Patch piano(const Notes& notes) {
    Patch p = withNotes(notes);
    for (double cents : {-0.9, 0.0, 1.1}) {
        for (Mode m : struck(30, 1.0, 2600, 0.3)) {
            m.ratio *= std::exp2(cents / 1200);
            m.gain /= 3;
            m.pan = cents / 2;
            p.partials.push_back(m);
        }
    }
    p.stretched = true;
    // Bright as the hammer lands, mellowing as the upper partials die.
    return p.with(burst(0.15, 1800, 10, 60)).tracked(7, 0.707, 1.3, 400).envelope(1, 0, 1);
}

Patch electricPiano(double decayMs) {
    Patch p;
    // The body a little left, the bell of the tine a little right.
    p.fm.push_back({1, 1, 2.3, 700, 0.3, 1, 0, -0.2});
    p.fm.push_back({1, 14, 0.9, 25, 0, 0.25, 40, 0.4});
    p.tremoloHz = 4.5;
    p.tremoloDepth = 0.12;
    return p.envelope(1, decayMs);
}

// Its stereo form: the tremolo sways between the sides.
Patch stereoElectricPiano(double decayMs) {
    Patch p = electricPiano(decayMs);
    p.tremoloDepth = 0.35;
    p.autoPan = true;
    return p;
}

Patch glassBell(double decayMs) {
    Patch p;
    p.fm.push_back({1, 3.5, 2.2, decayMs * 0.35, 0.1, 1, 0});
    p.fm.push_back({2, 7, 0.8, decayMs * 0.2, 0, 0.25, decayMs * 0.3});
    return p.envelope(1, decayMs);
}

Patch tubularBell(double decayMs) {
    Patch p;
    p.partials = {{1, 1, decayMs}, {2.0, 0.25, decayMs * 0.8}, {2.76, 0.55, decayMs * 0.6},
                  {5.40, 0.35, decayMs * 0.35}, {8.93, 0.2, decayMs * 0.2}};
    return p.with(burst(0.1, 8000, 5, 2000)).envelope(1, 0, 1);
}

Patch marimba() {
    Patch p;
    p.partials = {{1, 1, 420}, {3.93, 0.3, 90}, {9.2, 0.06, 25}};
    return p.with(burst(0.08, 2000, 4, 200)).envelope(1, 0, 1);
}

Patch vibraphone() {
    Patch p;
    p.partials = {{1, 1, 1400}, {4.0, 0.35, 350}, {10.0, 0.06, 80}};
    p.tremoloHz = 5.2;
    p.tremoloDepth = 0.3;
    return p.with(burst(0.04, 6000, 3, 1500)).envelope(1, 0, 1);
}

Patch kalimba() {
    Patch p;
    p.partials = {{1, 1, 650}, {5.95, 0.2, 60}, {2.0, 0.08, 200}};
    return p.with(burst(0.1, 3000, 3, 300)).envelope(1, 0, 1);
}

Patch musicBox() {
    Patch p;
    p.partials = {{1, 1, 1100}, {2, 0.15, 500}, {4.1, 0.3, 180}, {9.9, 0.1, 50}};
    return p.envelope(1, 0, 1);
}

Patch steelDrum() {
    Patch p;
    p.partials = {{1, 1, 700}, {2, 0.7, 500}, {3, 0.35, 300}, {4, 0.15, 180}, {5, 0.1, 120}};
    p.fm.push_back({1, 2, 0.8, 40, 0, 0.3, 150});
    return p.with(burst(0.05, 4000, 4, 300)).envelope(1, 0, 1);
}

Patch timpani() {
    Patch p;
    p.partials = {{1, 1, 330}, {1.5, 0.5, 250}, {1.98, 0.35, 200}, {2.44, 0.2, 150}, {2.9, 0.1, 120}};
    return p.with(burst(0.35, 900, 40, 60)).envelope(2, 0, 1);
}

Patch cowbell() {
    return Patch()
        .with(squareOsc().at(12))
        .with(squareOsc().at(12).detune(1200 * std::log2(1.48)).level_(0.8))
        .with(burst(0.04, 8000, 3, 3000))
        .envelope(1, 0, 1)
        .envelope(1, 140, 0, 8);
}

}  // namespace soundgen
