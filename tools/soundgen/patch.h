// A synthesiser voice described as data: oscillators, sine partials, FM
// pairs and noise, a filter, formants, envelopes and vibrato. The catalogue
// and the embedded WAV sounds are built from these (sound.h places them in
// time). Setters return a changed copy, so that a recipe reads as one line.
#pragma once

#include <string>
#include <vector>

namespace soundgen {

enum class Shape { Sine, Triangle, Saw, Square, Pulse, Glottal, Organ, Sync };

struct Osc {
    Shape shape = Shape::Saw;
    double duty = 0.5;              // Pulse
    std::vector<double> drawbars;   // Organ: gain of harmonic 1, 2, 3 ...
    double syncRatio = 2;           // Sync: the slave's frequency to the master's
    double semis = 0, cents = 0;    // tuning against the note
    double level = 1;
    int unison = 1;                 // detuned copies
    double spreadCents = 0;         // between the outermost copies
    double width = 0.8;             // stereo spread of the copies
    double pan = 0;                 // -1 left .. +1 right

    Osc at(double s) const { Osc o = *this; o.semis = s; return o; }
    Osc detune(double c) const { Osc o = *this; o.cents = c; return o; }
    Osc level_(double g) const { Osc o = *this; o.level = g; return o; }
    Osc voices(int n, double spread) const { Osc o = *this; o.unison = n; o.spreadCents = spread; return o; }
    Osc panned(double p) const { Osc o = *this; o.pan = p; return o; }
};

Osc sineOsc();
Osc triangleOsc();
Osc sawOsc();
Osc squareOsc();
Osc pulseOsc(double duty);
Osc glottalOsc();  // a voice's buzz: harmonics falling 12 dB per octave
Osc organOsc(std::vector<double> drawbars);
Osc syncOsc(double ratio);

// A sine with its own decay: bells, mallets, strings struck or plucked.
struct Mode {
    double ratio;
    double gain;
    double decayMs;  // time constant
    double pan = 0;
};

// A sine carrier phase-modulated by a sine, the index dying away.
struct FmPair {
    double carrierRatio = 1;
    double modulatorRatio = 1;
    double index = 1;
    double indexDecayMs = 0;  // 0 keeps the index
    double indexSustain = 0;  // share of the index left after the decay
    double level = 1;
    double decayMs = 0;       // 0: only the patch's envelope
    double pan = 0;
};

struct Contour {
    double attackMs = 2;
    double holdMs = 0;
    double decayMs = 0;  // time constant of the fall; 0 stays at 1
    double sustain = 0;
};

struct Noise {
    double level = 1;
    double lowpassHz = 20000;
    double highpassHz = 0;
    Contour envelope{1, 0, 30, 0};
    bool filtered = false;  // through the patch's filter and formants too
};

enum class FilterType { None, Lowpass, Bandpass, Highpass };

struct Filter {
    FilterType type = FilterType::None;
    double cutoffHz = 20000;
    double cutoffRatio = 0;   // when set: the cutoff follows the root, this many times its frequency
    double q = 0.707;
    int poles = 2;            // 2 or 4
    double envOctaves = 0;    // how far the envelope opens it
    Contour envelope{1, 0, 100, 0};
    double lfoHz = 0, lfoOctaves = 0;
};

// Up to five formants of a sung vowel: centre, bandwidth, level.
struct Vowel {
    double hz[5];
    double bandwidth[5];
    double db[5];
};

extern const Vowel vowelAhTenor, vowelAhAlto, vowelAhSoprano, vowelOhAlto, vowelOoTenor, vowelOoAlto,
    vowelOoSoprano, vowelEeTenor;

struct Vibrato {
    double hz = 0;
    double cents = 0;
    double delayMs = 0;  // it grows in over this time
    // How far the unison copies' rates and depths stray from each other:
    // the share of the rate, and of the depth, between the extremes.
    double rateScatter = 0.12;
    double depthScatter = 0;
};

struct Speech {
    std::string text;
    std::string voice = "en-us";
    int pitch = 50;  // espeak's 0..100
    int rate = 175;  // words per minute
};

struct Patch {
    std::vector<double> notes{0};  // semitones from the root: one entry per chord note
    std::vector<Osc> oscs;
    std::vector<Mode> partials;
    bool stretched = false;        // partials drift sharp the way stiff strings do
    std::vector<FmPair> fm;
    std::vector<Noise> noises;
    Filter filter;
    const Vowel* vowel = nullptr;  // formants the oscillators sing through
    const Vowel* vowelTo = nullptr;
    double vowelMorphMs = 0;
    // Each unison copy sings through formants moved by up to half this
    // share, one singer's throat unlike another's.
    double formantScatter = 0;
    Contour amp{2, 0, 0, 1};
    Vibrato vibrato;
    double tremoloHz = 0, tremoloDepth = 0;
    bool autoPan = false;  // a stereo tremolo: the sides swell in turn
    Speech speech;                 // when its text is set, the spoken words are the source

    Patch chord(std::vector<double> n) const { Patch p = *this; p.notes = std::move(n); return p; }
    Patch envelope(double attackMs, double decayMs, double sustain = 0, double holdMs = 0) const {
        Patch p = *this;
        p.amp = {attackMs, holdMs, decayMs, sustain};
        return p;
    }
    Patch lowpass(double hz, double q = 0.707, double envOctaves = 0, double envDecayMs = 100,
                  int poles = 2) const {
        Patch p = *this;
        p.filter.type = FilterType::Lowpass;
        p.filter.cutoffHz = hz;
        p.filter.q = q;
        p.filter.envOctaves = envOctaves;
        p.filter.envelope = {1, 0, envDecayMs, 0};
        p.filter.poles = poles;
        return p;
    }
    // A cutoff that follows the root: a closing filter then stays well above
    // the fundamentals, whose pitch it would otherwise drag down.
    Patch tracked(double ratio, double q = 0.707, double envOctaves = 0, double envDecayMs = 100,
                  int poles = 2) const {
        Patch p = lowpass(0, q, envOctaves, envDecayMs, poles);
        p.filter.cutoffRatio = ratio;
        return p;
    }
    Patch sweep(double lfoHz, double octaves) const {
        Patch p = *this;
        p.filter.lfoHz = lfoHz;
        p.filter.lfoOctaves = octaves;
        return p;
    }
    Patch vibrate(double hz, double cents, double delayMs = 0) const {
        Patch p = *this;
        p.vibrato = {hz, cents, delayMs};
        return p;
    }
    Patch sing(const Vowel& v, const Vowel* to = nullptr, double morphMs = 0) const {
        Patch p = *this;
        p.vowel = &v;
        p.vowelTo = to;
        p.vowelMorphMs = morphMs;
        return p;
    }
    Patch with(Osc o) const { Patch p = *this; p.oscs.push_back(std::move(o)); return p; }
    Patch with(Noise n) const { Patch p = *this; p.noises.push_back(n); return p; }
    Patch with(FmPair f) const { Patch p = *this; p.fm.push_back(f); return p; }
    Patch with(std::vector<Mode> list) const {
        Patch p = *this;
        p.partials.insert(p.partials.end(), list.begin(), list.end());
        return p;
    }
};

// Chords as semitones above the root.
namespace chords {
inline const std::vector<double> major{0, 4, 7}, minor{0, 3, 7}, minor7{0, 3, 7, 10}, major7{0, 4, 7, 11},
    minor9{0, 3, 7, 10, 14}, sus4{0, 5, 7}, sus2{0, 2, 7}, sixNine{0, 4, 9, 14}, power{0, 7, 12},
    dominant7{0, 4, 7, 10}, major9{0, 4, 7, 11, 14}, add9{0, 4, 7, 14}, octave{0, 12};
}

}  // namespace soundgen
