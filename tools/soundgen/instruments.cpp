#include "instruments.h"

#include <cmath>

namespace soundgen {

namespace {

Patch withNotes(const Notes& notes) {
    Patch p;
    p.notes = notes;
    return p;
}

// A struck or plucked tone: harmonics falling in level, the higher ones
// dying sooner.
std::vector<Mode> struck(int count, double tilt, double decayMs, double highFall) {
    std::vector<Mode> out;
    for (int n = 1; n <= count; ++n) {
        out.push_back({double(n), std::pow(double(n), -tilt), decayMs / (1 + highFall * (n - 1))});
    }
    return out;
}

Noise burst(double level, double lowpassHz, double decayMs, double highpassHz = 0) {
    Noise n;
    n.level = level;
    n.lowpassHz = lowpassHz;
    n.highpassHz = highpassHz;
    n.envelope = {0.5, 0, decayMs, 0};
    return n;
}

}  // namespace

// ---- Stabs ----

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

// ---- Keys, mallets and bells ----

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
    return p.with(burst(0.15, 1800, 10, 60)).tracked(28, 0.707, 1.0, 250).envelope(1, 0, 1);
}

Patch electricPiano(double decayMs) {
    Patch p;
    p.fm.push_back({1, 1, 1.6, 500, 0.2, 1, 0});
    p.fm.push_back({1, 14, 0.9, 25, 0, 0.25, 40});
    p.tremoloHz = 4.5;
    p.tremoloDepth = 0.12;
    return p.envelope(1, decayMs);
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

// ---- Plucks, basses and leads ----

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
    return p.with(burst(0.08, 1200, 10, 80)).lowpass(1800).envelope(2, 0, 1);
}

Patch harp() {
    Patch p;
    p.partials = struck(12, 1.4, 1300, 0.5);
    return p.lowpass(4000).envelope(1, 0, 1);
}

Patch nylonGuitar() {
    Patch p;
    p.partials = struck(16, 1.0, 1000, 0.4);
    for (std::size_t n = 0; n < p.partials.size(); ++n) {
        // plucked a fifth of the way along the string: every fifth harmonic missing
        if ((n + 1) % 5 == 0) p.partials[n].gain *= 0.05;
    }
    return p.with(burst(0.06, 3000, 6, 500)).lowpass(3500).envelope(1, 0, 1);
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

// ---- Pads ----

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

// ---- Voices ----

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
