#include "synth.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <stdexcept>
#include <string>

#include "dsp.h"
#include "random.h"
#include "speech.h"
#include "wavetable.h"

namespace soundgen {

double envelopeAt(const Contour& e, double ms) {
    if (ms < e.attackMs) return ms / e.attackMs;
    ms -= e.attackMs + e.holdMs;
    if (ms <= 0 || e.decayMs <= 0) return 1;
    return e.sustain + (1 - e.sustain) * std::exp(-ms / e.decayMs);
}

namespace {

struct Context {
    const Patch& patch;
    int frames, channels, sampleRate;
    double rootHz;
    Random& random;
    int loop;  // frames of the period the end repeats with; 0: none
    double topHz;  // nothing sounds above it

    // A rate that completes whole cycles in the loop (at least one).
    double onGrid(double hz) const {
        if (loop == 0 || hz == 0) return hz;
        const double cycles = std::max(1.0, std::round(hz * loop / sampleRate));
        return std::copysign(cycles * sampleRate / loop, hz);
    }
    int loopStart() const { return frames - 1 - loop; }
};

// Equal-power gains of a position -1 .. +1; a mono sound takes it whole.
void panGains(double pan, int channels, double gains[2]) {
    if (channels == 1) {
        gains[0] = 1;
        return;
    }
    const double angle = (std::clamp(pan, -1.0, 1.0) + 1) * pi / 4;
    gains[0] = std::cos(angle) * std::sqrt(2.0);
    gains[1] = std::sin(angle) * std::sqrt(2.0);
}

// Vibrato as a frequency factor; each unison copy has its own phase and rate
// so that an ensemble does not move in lockstep.
double vibratoFactor(const Context& c, int copy, double seconds) {
    const Vibrato& v = c.patch.vibrato;
    if (v.cents == 0) return 1;
    const double grow = v.delayMs > 0 ? std::min(1.0, 1000 * seconds / v.delayMs) : 1;
    const double spread = std::fmod(copy * 0.381966, 1.0) - 0.5;
    const double hz = c.onGrid(v.hz * (1 + v.rateScatter * spread));
    const double depth = v.cents * (1 + v.depthScatter * (std::fmod(copy * 0.7548777, 1.0) - 0.5));
    const double phase = copy * 0.618034 + hz * seconds;
    return std::exp2(grow * depth * std::sin(2 * pi * phase) / 1200);
}

// The phase step of an oscillator copy. In a loop, vibrato makes the phase
// run faster on average than the step alone: the step is scaled so that a
// whole period of the loop still holds whole cycles.
double oscillatorStep(const Context& c, double hz, int copy) {
    if (c.loop == 0) return hz / c.sampleRate;
    if (c.patch.vibrato.cents == 0) return c.onGrid(hz) / c.sampleRate;
    double factors = 0;
    for (int i = c.loopStart(); i < c.loopStart() + c.loop; ++i)
        factors += vibratoFactor(c, copy, double(i) / c.sampleRate);
    const double cycles = std::max(1.0, std::round(hz / c.sampleRate * factors));
    return cycles / factors;
}

// Every copy of every oscillator, or only the copies numbered `onlyCopy`.
void addOscillators(const Context& c, Channels& out, int onlyCopy = -1) {
    const Patch& p = c.patch;
    const double vibratoRange = std::exp2(std::fabs(p.vibrato.cents) * (1 + p.vibrato.depthScatter / 2) / 1200);
    for (double note : p.notes) {
        for (const Osc& osc : p.oscs) {
            for (int copy = 0; copy < osc.unison; ++copy) {
                if (onlyCopy >= 0 && copy != onlyCopy) continue;
                const double centre = (osc.unison - 1) / 2.0;
                const double offset = osc.unison > 1 ? (copy - centre) / centre : 0;
                const double hz = c.rootHz * std::exp2((note + osc.semis) / 12 +
                                                       (osc.cents + offset * osc.spreadCents / 2) / 1200);
                const int harmonics = static_cast<int>(c.topHz / (hz * vibratoRange));
                if (harmonics < 1) continue;
                const auto table = wavetableFor(osc, harmonics);
                double gains[2];
                panGains(osc.pan + offset * osc.width, c.channels, gains);
                const double level = osc.level / std::sqrt(double(osc.unison));
                // A few copies start together, for a punchy attack that takes
                // a while to drift apart; ensembles start scattered.
                double phase = osc.unison > 3 ? 0.5 * (c.random.bipolar() + 1) : 0;
                const double step = oscillatorStep(c, hz, copy);
                for (int i = 0; i < c.frames; ++i) {
                    const double v = level * table->at(phase);
                    for (int ch = 0; ch < c.channels; ++ch) out[ch][i] += gains[ch] * v;
                    phase += step * vibratoFactor(c, copy, double(i) / c.sampleRate);
                    phase -= std::floor(phase);
                }
            }
        }
    }
}

// Each channel of a stereo sound has noise of its own: one noise in both
// would sit in the middle as a mono source.
void addNoises(const Context& c, Channels& out, bool filtered) {
    for (const Noise& n : c.patch.noises) {
        if (n.filtered != filtered) continue;
        // Kept clean for higher notes, noise closes no higher than the tones.
        const double lowpassHz = c.topHz < 0.45 * c.sampleRate ? std::min(n.lowpassHz, c.topHz) : n.lowpassHz;
        struct Source {
            StateVariableFilter low, high;
            std::vector<double> repeated;
        };
        std::vector<Source> sources(c.channels == 2 ? 2 : 1);
        for (Source& source : sources) {
            source.low.set(lowpassHz, 0.707, c.sampleRate);
            source.high.set(std::max(n.highpassHz, 5.0), 0.707, c.sampleRate);
            // In a loop the noise repeats with its period, from the start, so
            // that the filters have long settled into the repeat by the loop.
            source.repeated.resize(static_cast<std::size_t>(c.loop));
            for (double& r : source.repeated) r = c.random.bipolar();
        }
        for (int i = 0; i < c.frames; ++i) {
            const double gain = n.level * envelopeAt(n.envelope, 1000.0 * i / c.sampleRate);
            for (std::size_t k = 0; k < sources.size(); ++k) {
                Source& source = sources[k];
                const double white = c.loop ? source.repeated[static_cast<std::size_t>(i % c.loop)] : c.random.bipolar();
                double v = source.low.process(white).low;
                if (n.highpassHz > 0) v = source.high.process(v).high;
                if (sources.size() == 2) {
                    out[k][i] += gain * v;
                } else {
                    for (int ch = 0; ch < c.channels; ++ch) out[ch][i] += gain * v;
                }
            }
        }
    }
}

void addSpeech(const Context& c, Channels& out) {
    const std::vector<double> words = speak(c.patch.speech, c.sampleRate, c.frames);
    for (std::size_t i = 0; i < words.size(); ++i) {
        for (int ch = 0; ch < c.channels; ++ch) out[ch][i] += words[i];
    }
}

// The vowel's formants, all moved by the factor `shift`.
void applyFormants(const Context& c, Channels& out, double shift = 1) {
    const Patch& p = c.patch;
    for (auto& signal : out) {
        StateVariableFilter formants[5], body;
        for (int i = 0; i < c.frames; ++i) {
            double morph = 0;
            if (p.vowelTo && p.vowelMorphMs > 0) {
                morph = std::min(1.0, 1000.0 * i / c.sampleRate / p.vowelMorphMs);
                morph = 0.5 - 0.5 * std::cos(pi * morph);
            }
            const Vowel& a = *p.vowel;
            const Vowel& b = p.vowelTo ? *p.vowelTo : a;
            double sum = 0;
            for (int f = 0; f < 5; ++f) {
                const double hz = shift * (a.hz[f] + morph * (b.hz[f] - a.hz[f]));
                if (i == 0 || morph > 0) {
                    const double bandwidth = a.bandwidth[f] + morph * (b.bandwidth[f] - a.bandwidth[f]);
                    formants[f].set(hz, hz / (shift * bandwidth), c.sampleRate);
                }
                const double gain = dbToGain(a.db[f] + morph * (b.db[f] - a.db[f]));
                if (hz < 0.45 * c.sampleRate) sum += gain * formants[f].bandNormalised(signal[i]);
            }
            // The lowest harmonics under the first formant: the chest of the voice.
            if (i == 0 || morph > 0) body.set(0.7 * shift * (a.hz[0] + morph * (b.hz[0] - a.hz[0])), 0.707, c.sampleRate);
            sum += 0.5 * body.process(signal[i]).low;
            signal[i] = sum;
        }
    }
}

void applyFilter(const Context& c, Channels& out) {
    const Filter& f = c.patch.filter;
    if (f.type == FilterType::None) return;
    for (auto& signal : out) {
        StateVariableFilter first, second;
        for (int i = 0; i < c.frames; ++i) {
            const double seconds = double(i) / c.sampleRate;
            const double octaves = f.envOctaves * envelopeAt(f.envelope, 1000 * seconds) +
                                   f.lfoOctaves * std::sin(2 * pi * c.onGrid(f.lfoHz) * seconds);
            const double base = f.cutoffRatio > 0 ? f.cutoffRatio * c.rootHz : f.cutoffHz;
            const double hz = base * std::exp2(octaves);
            first.set(hz, f.q, c.sampleRate);
            second.set(hz, 0.707, c.sampleRate);
            double v = signal[i];
            for (StateVariableFilter* stage : {&first, &second}) {
                const StateVariableFilter::Out o = stage->process(v);
                v = f.type == FilterType::Lowpass ? o.low : f.type == FilterType::Highpass ? o.high : o.band;
                if (f.poles == 2) break;
            }
            signal[i] = v;
        }
    }
}

// Chord notes spread out a little, low to the left as on a keyboard.
double notePan(double note) { return std::clamp(note / 24, -0.5, 0.5); }

// Sines with their own decay, turned by a rotating phasor.
void addPartials(const Context& c, Channels& out) {
    for (double note : c.patch.notes) {
        const double noteHz = c.rootHz * std::exp2(note / 12);
        for (const Mode& partial : c.patch.partials) {
            double ratio = partial.ratio;
            if (c.patch.stretched) ratio *= std::sqrt(1 + 0.0004 * (ratio * ratio - 1));
            // A partial that dies away has no part in a loop.
            const double hz = partial.decayMs > 0 ? noteHz * ratio : c.onGrid(noteHz * ratio);
            if (hz >= c.topHz) continue;
            const std::complex<double> turn = std::polar(1.0, 2 * pi * hz / c.sampleRate);
            const double fall = partial.decayMs > 0 ? std::exp(-1000.0 / (partial.decayMs * c.sampleRate)) : 1;
            // Partials of the same order start together, so that a note's
            // unison strings are struck at once.
            std::complex<double> phasor = std::polar(1.0, std::round(partial.ratio) * 0.7);
            double level = partial.gain;
            double gains[2];
            panGains(partial.pan + notePan(note), c.channels, gains);
            for (int i = 0; i < c.frames; ++i) {
                for (int ch = 0; ch < c.channels; ++ch) out[ch][i] += gains[ch] * level * phasor.imag();
                phasor *= turn;
                level *= fall;
                if ((i & 1023) == 0) phasor /= std::abs(phasor);
            }
        }
    }
}

void addFm(const Context& c, Channels& out) {
    for (double note : c.patch.notes) {
        const double noteHz = c.rootHz * std::exp2(note / 12);
        for (const FmPair& pair : c.patch.fm) {
            const double carrier = c.onGrid(noteHz * pair.carrierRatio) / c.sampleRate;
            const double modulator = c.onGrid(noteHz * pair.modulatorRatio) / c.sampleRate;
            double carrierPhase = 0, modulatorPhase = 0;
            double gains[2];
            panGains(pair.pan + notePan(note), c.channels, gains);
            for (int i = 0; i < c.frames; ++i) {
                const double ms = 1000.0 * i / c.sampleRate;
                const double fall = pair.indexDecayMs > 0 ? std::exp(-ms / pair.indexDecayMs) : 1;
                const double index = pair.index * (pair.indexSustain + (1 - pair.indexSustain) * fall);
                double v = std::sin(2 * pi * carrierPhase + index * std::sin(2 * pi * modulatorPhase));
                v *= pair.level * (pair.decayMs > 0 ? std::exp(-ms / pair.decayMs) : 1);
                for (int ch = 0; ch < c.channels; ++ch) out[ch][i] += gains[ch] * v;
                carrierPhase += carrier;
                carrierPhase -= std::floor(carrierPhase);
                modulatorPhase += modulator;
                modulatorPhase -= std::floor(modulatorPhase);
            }
        }
    }
}

// An ensemble of singers: each unison copy through formants of its own,
// then the breath and words through the vowel's own.
void singEachCopy(const Context& c, Channels& out) {
    int copies = 1;
    for (const Osc& osc : c.patch.oscs) copies = std::max(copies, osc.unison);
    const auto addIn = [&out](const Channels& part) {
        for (std::size_t ch = 0; ch < out.size(); ++ch)
            for (std::size_t i = 0; i < out[ch].size(); ++i) out[ch][i] += part[ch][i];
    };
    for (int copy = 0; copy < copies; ++copy) {
        Channels singer(out.size(), std::vector<double>(out[0].size(), 0.0));
        addOscillators(c, singer, copy);
        applyFormants(c, singer, 1 + c.patch.formantScatter * (std::fmod(copy * 0.618034 + 0.25, 1.0) - 0.5));
        addIn(singer);
    }
    Channels air(out.size(), std::vector<double>(out[0].size(), 0.0));
    addNoises(c, air, true);
    if (!c.patch.speech.text.empty()) addSpeech(c, air);
    applyFormants(c, air);
    addIn(air);
}

// What changes for good (envelopes, partials dying away, a vibrato growing
// in, a vowel's morph) must be over where the loop starts, to within
// -60 dB: what is left changes too little over one loop to be heard at the seam.
constexpr double kSettled = 1e-3;

void checkSettled(const Context& c) {
    const Patch& p = c.patch;
    if (c.loop < 2 || c.loopStart() < 1) throw std::runtime_error("a loop longer than the sound");
    const double ms = 1000.0 * c.loopStart() / c.sampleRate;
    const auto settled = [ms](const Contour& e) {
        if (ms < e.attackMs + e.holdMs) return false;
        return e.decayMs <= 0 || std::exp(-(ms - e.attackMs - e.holdMs) / e.decayMs) < kSettled;
    };
    const auto require = [ms](bool settledThere, const char* what) {
        if (!settledThere)
            throw std::runtime_error(std::string(what) + " still changes where the loop starts, at " +
                                     std::to_string(std::lround(ms)) + " ms");
    };
    require(settled(p.amp), "the level");
    require(p.filter.envOctaves == 0 || settled(p.filter.envelope), "the filter's envelope");
    require(ms >= p.vibrato.delayMs, "the vibrato");
    require(!p.vowelTo || ms >= p.vowelMorphMs, "the vowel");
    require(p.speech.text.empty(), "speech");
    for (const Noise& n : p.noises) require(n.level == 0 || settled(n.envelope), "a noise");
    for (const FmPair& f : p.fm)
        require(f.decayMs == 0 && (f.indexDecayMs == 0 || std::exp(-ms / f.indexDecayMs) < kSettled), "an FM pair");
    for (const Mode& m : p.partials) require(m.decayMs == 0 || m.gain * std::exp(-ms / m.decayMs) < kSettled, "a partial");
}

}  // namespace

Channels renderPatch(const Patch& patch, int frames, int channels, int sampleRate, double rootHz,
                     std::uint64_t seed, int loop, double cleanOctaves) {
    Random random(seed);
    const Context c{patch, frames, channels, sampleRate, rootHz, random, loop, 0.45 * sampleRate / std::exp2(cleanOctaves)};
    if (loop) checkSettled(c);
    // The oscillators, and noise meant to, sing through the formants; the
    // filter then shapes every pitched source. Only noise marked unfiltered
    // (clicks, breath, a hammer's thump) passes around both.
    Channels shaped(channels, std::vector<double>(frames, 0.0));
    if (patch.vowel && patch.formantScatter > 0) {
        singEachCopy(c, shaped);
    } else {
        addOscillators(c, shaped);
        addNoises(c, shaped, true);
        if (!patch.speech.text.empty()) addSpeech(c, shaped);
        if (patch.vowel) applyFormants(c, shaped);
    }
    addPartials(c, shaped);
    addFm(c, shaped);
    applyFilter(c, shaped);

    Channels direct(channels, std::vector<double>(frames, 0.0));
    addNoises(c, direct, false);

    for (int ch = 0; ch < channels; ++ch) {
        for (int i = 0; i < frames; ++i) {
            const double seconds = double(i) / sampleRate;
            double gain = envelopeAt(patch.amp, 1000 * seconds);
            if (patch.tremoloDepth > 0) {
                const double turn = patch.autoPan && ch == 1 ? pi : 0;
                gain *= 1 - patch.tremoloDepth * (0.5 - 0.5 * std::cos(2 * pi * c.onGrid(patch.tremoloHz) * seconds + turn));
            }
            shaped[ch][i] = gain * (shaped[ch][i] + direct[ch][i]);
        }
    }
    return shaped;
}

}  // namespace soundgen
