#include "render.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "random.h"

namespace soundgen {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double bandLimit = 0.45;  // of the sample rate: no partial above it

struct Component {
    double ratio;  // to the layer's frequency
    double gain;
    double phase;  // radians, of a sine
};

// The periodic sources as sums of sines, cut at the band limit so that
// nothing folds back.
std::vector<Component> componentsOf(const Layer& layer, double hz, int sampleRate) {
    const int count = static_cast<int>(bandLimit * sampleRate / hz);
    std::vector<Component> out;
    for (int n = 1; n <= count; ++n) {
        switch (layer.source) {
            case Source::Sine:
                if (n == 1) out.push_back({1, 1, 0});
                break;
            case Source::Pulse:  // the difference of two saws, one delayed by the duty
                out.push_back({double(n), 2 * std::sin(pi * n * layer.duty) / (pi * n),
                               pi / 2 - pi * n * layer.duty});
                break;
            case Source::Saw:
                out.push_back({double(n), (n % 2 ? 2 : -2) / (pi * n), 0});
                break;
            case Source::Triangle:
                if (n % 2) out.push_back({double(n), (n % 4 == 1 ? 8 : -8) / (pi * pi * n * n), 0});
                break;
            default:
                break;
        }
    }
    if (layer.source == Source::Partials) {
        for (const Partial& p : layer.partials) {
            if (p.ratio * hz < bandLimit * sampleRate) out.push_back({p.ratio, p.gain, 0});
        }
    }
    return out;
}

double envelopeAt(const Envelope& e, double ms) {
    if (ms < e.attackMs) return ms / e.attackMs;
    ms -= e.attackMs + e.holdMs;
    if (ms <= 0 || e.decayMs <= 0) return 1;
    return e.sustain + (1 - e.sustain) * std::exp(-ms / e.decayMs);
}

// Phase in cycles, kept small so that long sounds stay exact.
double cycles(double hz, int frame, int sampleRate) {
    const double c = hz * frame / sampleRate;
    return c - std::floor(c);
}

std::vector<double> periodic(const Layer& layer, double hz, int frames, int sampleRate) {
    std::vector<double> out(frames, 0.0);
    for (const Component& c : componentsOf(layer, hz, sampleRate)) {
        const double damping = layer.damping * (c.ratio - 1);
        for (int i = 0; i < frames; ++i) {
            const double t = double(i) / sampleRate;
            out[i] += c.gain * std::exp(-damping * t) *
                      std::sin(2 * pi * cycles(hz * c.ratio, i, sampleRate) + c.phase);
        }
    }
    return out;
}

std::vector<double> frequencyModulated(const Layer& layer, double hz, int frames, int sampleRate) {
    std::vector<double> out(frames);
    for (int i = 0; i < frames; ++i) {
        const double ms = 1000.0 * i / sampleRate;
        const double index = layer.fmIndexDecayMs > 0
                                 ? layer.fmIndex * std::exp(-ms / layer.fmIndexDecayMs)
                                 : layer.fmIndex;
        const double modulator = std::sin(2 * pi * cycles(hz * layer.fmRatio, i, sampleRate));
        out[i] = std::sin(2 * pi * cycles(hz, i, sampleRate) + index * modulator);
    }
    return out;
}

double onePoleCoefficient(double hz, int sampleRate) {
    return 1 - std::exp(-2 * pi * hz / sampleRate);
}

std::vector<double> filteredNoise(const Layer& layer, std::uint64_t seed, int frames, int sampleRate) {
    Random random(seed);
    const double low = layer.lowpassHz > 0 ? onePoleCoefficient(layer.lowpassHz, sampleRate) : 1;
    const double high = layer.highpassHz > 0 ? onePoleCoefficient(layer.highpassHz, sampleRate) : 0;
    double lowState = 0, highState = 0;
    std::vector<double> out(frames);
    for (int i = 0; i < frames; ++i) {
        lowState += low * (random.bipolar() - lowState);
        highState += high * (lowState - highState);
        out[i] = lowState - highState;
    }
    return out;
}

std::vector<double> renderLayer(const Sound& sound, const Layer& layer, std::uint64_t seed) {
    const double hz = noteToHz(sound.pitchNote) * layer.ratio;
    std::vector<double> out;
    switch (layer.source) {
        case Source::Fm: out = frequencyModulated(layer, hz, sound.frames, sound.sampleRate); break;
        case Source::Noise: out = filteredNoise(layer, seed, sound.frames, sound.sampleRate); break;
        default: out = periodic(layer, hz, sound.frames, sound.sampleRate); break;
    }
    for (int i = 0; i < sound.frames; ++i) {
        out[i] *= layer.gain * envelopeAt(layer.envelope, 1000.0 * i / sound.sampleRate);
    }
    return out;
}

// Raised-cosine fades: exactly 0 at the first and the last frame.
std::vector<double> fadeWindow(const Sound& sound) {
    const int in = std::max(1, static_cast<int>(sound.fadeInMs * sound.sampleRate / 1000));
    const int out = std::max(1, static_cast<int>(sound.fadeOutMs * sound.sampleRate / 1000));
    std::vector<double> w(sound.frames, 1.0);
    for (int i = 0; i < sound.frames; ++i) {
        const int fromEnd = sound.frames - 1 - i;
        if (i < in) w[i] *= 0.5 - 0.5 * std::cos(pi * i / in);
        if (fromEnd < out) w[i] *= 0.5 - 0.5 * std::cos(pi * fromEnd / out);
    }
    return w;
}

void check(const Sound& sound) {
    const bool fits = sound.frames > 1 && (sound.channels == 1 || sound.channels == 2) &&
                      sound.sampleRate > 0 && sound.peak > 0 && sound.peak <= 1 &&
                      !sound.layers.empty() &&
                      (sound.fadeInMs + sound.fadeOutMs) * sound.sampleRate / 1000 < sound.frames;
    if (!fits) throw std::runtime_error(sound.name + ": impossible format or fades");
}

}  // namespace

double noteToHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12); }

std::vector<double> render(const Sound& sound) {
    check(sound);
    const int channels = sound.channels;
    std::vector<double> out(std::size_t(sound.frames) * channels, 0.0);
    for (std::size_t l = 0; l < sound.layers.size(); ++l) {
        const Layer& layer = sound.layers[l];
        const std::vector<double> mono = renderLayer(sound, layer, sound.seed * 1000003 + l);
        const double angle = (layer.pan + 1) * pi / 4;
        const double gains[2] = {channels == 1 ? 1 : std::cos(angle), std::sin(angle)};
        for (int i = 0; i < sound.frames; ++i) {
            for (int c = 0; c < channels; ++c) out[std::size_t(i) * channels + c] += gains[c] * mono[i];
        }
    }

    // Fade, then take out the mean in the shape of the fade window so that
    // both ends stay at exactly 0.
    const std::vector<double> w = fadeWindow(sound);
    double windowSum = 0;
    for (double v : w) windowSum += v;
    for (int c = 0; c < channels; ++c) {
        double sum = 0;
        for (int i = 0; i < sound.frames; ++i) {
            double& v = out[std::size_t(i) * channels + c];
            v *= w[i];
            sum += v;
        }
        const double mean = sum / windowSum;
        for (int i = 0; i < sound.frames; ++i) out[std::size_t(i) * channels + c] -= mean * w[i];
    }

    double peak = 0;
    for (double v : out) peak = std::max(peak, std::fabs(v));
    if (peak == 0) throw std::runtime_error(sound.name + ": silent");
    for (double& v : out) v *= sound.peak / peak;
    return out;
}

}  // namespace soundgen
