// Oscillator makers and the vowel formant sets.
#include "patch.h"

#include <utility>

namespace soundgen {

namespace {

Osc of(Shape shape) {
    Osc o;
    o.shape = shape;
    return o;
}

}  // namespace

Osc sineOsc() { return of(Shape::Sine); }
Osc triangleOsc() { return of(Shape::Triangle); }
Osc sawOsc() { return of(Shape::Saw); }
Osc squareOsc() { return of(Shape::Square); }
Osc glottalOsc() { return of(Shape::Glottal); }

Osc pulseOsc(double duty) {
    Osc o = of(Shape::Pulse);
    o.duty = duty;
    return o;
}

Osc organOsc(std::vector<double> drawbars) {
    Osc o = of(Shape::Organ);
    o.drawbars = std::move(drawbars);
    return o;
}

Osc syncOsc(double ratio) {
    Osc o = of(Shape::Sync);
    o.syncRatio = ratio;
    return o;
}

// Formant centres, bandwidths and levels of sung vowels, from published
// measurements of trained singers.
const Vowel vowelAhTenor{{650, 1080, 2650, 2900, 3250}, {80, 90, 120, 130, 140}, {0, -6, -7, -8, -22}};
const Vowel vowelAhAlto{{800, 1150, 2800, 3500, 4950}, {80, 90, 120, 130, 140}, {0, -4, -20, -36, -60}};
const Vowel vowelAhSoprano{{800, 1150, 2900, 3900, 4950}, {80, 90, 120, 130, 140}, {0, -6, -32, -20, -50}};
const Vowel vowelOhAlto{{450, 800, 2830, 3500, 4950}, {70, 80, 100, 130, 135}, {0, -9, -16, -28, -55}};
const Vowel vowelOoTenor{{350, 600, 2700, 2900, 3300}, {40, 60, 100, 120, 120}, {0, -20, -17, -14, -26}};
const Vowel vowelOoAlto{{325, 700, 2530, 3500, 4950}, {50, 60, 170, 180, 200}, {0, -12, -30, -40, -64}};
const Vowel vowelOoSoprano{{325, 700, 2700, 3800, 4950}, {50, 60, 170, 180, 200}, {0, -16, -35, -40, -60}};
const Vowel vowelEeTenor{{290, 1870, 2800, 3250, 3540}, {40, 90, 100, 120, 120}, {0, -15, -18, -20, -30}};

}  // namespace soundgen
