// What a built-in sound is made of: a few layers of oscillators or noise,
// each with its own envelope, mixed, faded at both ends, freed of DC and
// scaled to a common peak. The table of sounds lives in recipes.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace soundgen {

enum class Source {
    Sine,
    Pulse,     // band-limited; duty 0.5 is a square
    Saw,       // band-limited
    Triangle,  // band-limited
    Partials,  // the listed partials only
    Fm,        // a sine carrier phase-modulated by a sine
    Noise,     // white noise through optional one-pole filters
};

struct Partial {
    double ratio;  // to the layer's frequency
    double gain;
};

// Linear attack, a hold, then an exponential fall towards the sustain level.
struct Envelope {
    double attackMs = 0;
    double holdMs = 0;
    double decayMs = 0;  // time constant of the fall; 0 keeps the level at 1
    double sustain = 0;
};

struct Layer {
    Source source = Source::Sine;
    double ratio = 1;       // frequency relative to the sound's pitch
    double gain = 1;
    double pan = 0;         // -1 left .. +1 right, for stereo sounds
    Envelope envelope;
    double duty = 0.5;      // Pulse
    double damping = 0;     // per second, per harmonic step above the first: brightness fades
    std::vector<Partial> partials;  // Partials
    double fmRatio = 1;     // Fm: modulator frequency to the carrier's
    double fmIndex = 0;
    double fmIndexDecayMs = 0;  // 0 keeps the index constant
    double lowpassHz = 0;   // Noise: 0 leaves the band open
    double highpassHz = 0;

    // Chainable settings, so that a recipe reads as one line per layer.
    Layer at(double r) const { Layer l = *this; l.ratio = r; return l; }
    Layer level(double g) const { Layer l = *this; l.gain = g; return l; }
    Layer panned(double p) const { Layer l = *this; l.pan = p; return l; }
    Layer attack(double ms) const { Layer l = *this; l.envelope.attackMs = ms; return l; }
    Layer hold(double ms) const { Layer l = *this; l.envelope.holdMs = ms; return l; }
    Layer decay(double ms, double sustain = 0) const {
        Layer l = *this;
        l.envelope.decayMs = ms;
        l.envelope.sustain = sustain;
        return l;
    }
    Layer damped(double perSecond) const { Layer l = *this; l.damping = perSecond; return l; }
    Layer lowpass(double hz) const { Layer l = *this; l.lowpassHz = hz; return l; }
    Layer highpass(double hz) const { Layer l = *this; l.highpassHz = hz; return l; }
};

Layer sine();
Layer pulse(double duty);
Layer square();
Layer saw();
Layer triangle();
Layer partials(std::vector<Partial> list);
Layer fm(double modulatorRatio, double index, double indexDecayMs = 0);
Layer noise();

struct Sound {
    std::string name;  // also the C symbol of the embedded array
    int frames;
    int channels;      // 1 or 2
    double pitchNote;  // MIDI note the layers' ratios refer to (fractional allowed)
    std::vector<Layer> layers;
    int sampleRate = 44100;
    int rootNote = 60;  // the note at which the sample plays at its recorded speed
    double fadeInMs = 3;
    double fadeOutMs = 20;
    double peak = 0.9;
    std::uint64_t seed = 1;  // for Noise layers
};

// Every built-in sound, in the order they are emitted.
const std::vector<Sound>& builtinSounds();

}  // namespace soundgen
