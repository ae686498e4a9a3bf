#include "dsp/voice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/pitch_tables.h"
#include "programs/parameter.h"

namespace {

constexpr double kGrainRamp = 50.0;  // frames of fade at each end of a grain

// Reads frame `j` and its successor, interpolated by `frac`. Every buffer
// holds a guard frame at `length`; indices are clamped to it so that no
// position, however it was reached, reads outside the buffer.
// (A position can leave the sample, for example when a switch of direction
// or loop mode meets a note that has run past either end.)
inline double readFrame(const float* buffer, int j, int length, double frac, double interp) {
    int next = j + 1;
    if (static_cast<unsigned>(j) >= static_cast<unsigned>(length)) {
        j = j < 0 ? 0 : length;
        next = j;
    }
    return buffer[j] + static_cast<double>(buffer[next] - buffer[j]) * frac * interp;
}

// Four doubles (two SSE registers, or one AVX register where the CPU has
// it): the same operations either way, so the same bits.
typedef double Doubles __attribute__((vector_size(32)));
typedef float Floats __attribute__((vector_size(16)));
typedef int Ints __attribute__((vector_size(16)));

// (Macros rather than functions: a function taking or returning these
// vectors would be called differently in each of the renderer's clones.)
#define splat(x) (Doubles{(x), (x), (x), (x)})
#define addTo(destination, values)                                   \
    do {                                                             \
        Floats sum;                                                  \
        std::memcpy(&sum, (destination), sizeof sum);                \
        sum += (values);                                             \
        std::memcpy((destination), &sum, sizeof sum);                \
    } while (false)

// One instrument playing in one voice slot for one block: what stays fixed,
// and the running state, copied out of the instrument while frames render so
// that it can live in registers.
struct Stream {
    LayerPlayback* state;
    const float* left;
    const float* right;
    float* meter;
    int length;
    int loopStart;
    int loopEnd;
    bool looping;
    bool forward;
    bool grain;
    bool silenced;  // the instrument's channel is not the voice's
    double direction;
    double pitchPrefix;  // note x root x tuning x bend x rate ratios, left to right
    double masterTune;
    double gainLeft;
    double gainRight;
    double interp;
    double level;  // the voice's velocity gain
    double volume;
    double depth;
    double grainPeriod;
    double grainJump;

    double pos;
    double grainStart;
    double grainCounter;
    double grainFade = 1.0;
    ADSR volumeEnvelope;
    ADSR pitchEnvelope;
    // With both envelopes idle or sustaining nothing moves them within the
    // block: their outputs, the gain without grains and the step are fixed.
    bool steady;
    double steadyGain;
    double steadyStep;
    // The volume envelope's output while steady, kept apart: a stream that
    // ends resets its envelopes before the frames it played are mixed.
    double steadyEnv;

    static bool holds(const ADSR& envelope) {
        return envelope.state == ADSR::envIdle || envelope.state == ADSR::envSustain;
    }

    void load() {
        pos = state->position;
        grainStart = state->grainStart;
        grainCounter = state->grainCounter;
        volumeEnvelope = state->volumeEnvelope;
        pitchEnvelope = state->pitchEnvelope;
        steady = holds(volumeEnvelope) && holds(pitchEnvelope);
        steadyGain = level * grainFade * volume * volumeEnvelope.output;
        steadyEnv = volumeEnvelope.output;
        steadyStep = pitchPrefix * (1.0 + pitchEnvelope.output * depth) * masterTune;
    }

    void store() const {
        state->position = pos;
        state->grainStart = grainStart;
        state->grainCounter = grainCounter;
        state->volumeEnvelope = volumeEnvelope;
        state->pitchEnvelope = pitchEnvelope;
    }

    // Renders frame i into the mix and the meter; false once the sample
    // has ended (its envelopes are then reset). `Steady` skips the envelope
    // steps that would change nothing and uses the fixed gain and step.
    template <bool Steady>
    [[gnu::always_inline]] bool renderFrame(int i, float* mixLeft, float* mixRight) {
        if (looping) {
            if (forward) {
                if (pos >= loopEnd) {
                    pos = pos - loopEnd + loopStart;
                    if (pos >= loopEnd) pos = loopStart;
                }
            } else if (pos <= loopStart) {
                pos = pos - loopStart + loopEnd;
                if (pos <= loopStart) pos = loopEnd;
            }
        } else if (forward ? pos >= length : pos <= 0.0) {
            volumeEnvelope.reset();
            pitchEnvelope.reset();
            return false;
        }
        const double env = Steady ? volumeEnvelope.output : volumeEnvelope.step();
        if (silenced) return true;

        const int j = static_cast<int>(pos);
        const double frac = pos - j;
        const double s0 = readFrame(left, j, length, frac, interp);
        const double s1 = right == left ? s0 : readFrame(right, j, length, frac, interp);  // mono reads once
        if (grain) {
            if (grainCounter <= kGrainRamp) grainFade = grainCounter / kGrainRamp;
            if (grainCounter >= grainPeriod - kGrainRamp) grainFade = std::fabs(grainCounter - grainPeriod) / kGrainRamp;
        }
        const double g = Steady && !grain ? steadyGain : level * grainFade * volume * env;
        const float outLeft = static_cast<float>(g * gainLeft * s0);
        const float outRight = static_cast<float>(g * gainRight * s1);
        mixLeft[i] += outLeft;
        mixRight[i] += outRight;
        meter[i] += outLeft;

        if (Steady) {
            pos += direction * steadyStep;
            grainCounter += steadyStep;
        } else {
            const double p1 = pitchEnvelope.step();
            pos += direction * (pitchPrefix * (1.0 + p1 * depth) * masterTune);
            const double p2 = pitchEnvelope.step();
            grainCounter += pitchPrefix * (1.0 + p2 * depth) * masterTune;
        }

        if (grainCounter >= grainPeriod) {
            grainStart += grainJump;
            if (looping) {
                if (forward ? grainStart >= loopEnd : grainStart <= loopStart) grainStart = forward ? loopStart : loopEnd;
                if (grainStart < 0.0 || grainStart >= length) grainStart = 0.0;
            }
            if (grain) pos = grainStart;
            grainCounter = 0.0;
        }
        return true;
    }

    // A steady, audible stream renders in spans of frames, in two passes.
    // The first moves the position frame by frame exactly as renderFrame
    // does (loops, grains and all) and notes where each frame reads; the
    // second reads, interpolates and mixes those frames four at a time. Each
    // frame's arithmetic is renderFrame's, operation for operation.

    // First pass over `count` frames: the read position of each (and its
    // grain fade). Returns how many frames play: fewer than `count` when the
    // sample ended without a loop, which stops the stream as renderFrame does.
    template <bool Grain>
    [[gnu::always_inline]] int planSpan(int count, double* at, double* fades) {
        for (int n = 0; n < count; n++) {
            if (looping) {
                if (forward) {
                    if (pos >= loopEnd) {
                        pos = pos - loopEnd + loopStart;
                        if (pos >= loopEnd) pos = loopStart;
                    }
                } else if (pos <= loopStart) {
                    pos = pos - loopStart + loopEnd;
                    if (pos <= loopStart) pos = loopEnd;
                }
            } else if (forward ? pos >= length : pos <= 0.0) {
                volumeEnvelope.reset();
                pitchEnvelope.reset();
                return n;
            }
            at[n] = pos;
            if (Grain) {
                if (grainCounter <= kGrainRamp) grainFade = grainCounter / kGrainRamp;
                if (grainCounter >= grainPeriod - kGrainRamp) grainFade = std::fabs(grainCounter - grainPeriod) / kGrainRamp;
                fades[n] = grainFade;
            }
            pos += direction * steadyStep;
            grainCounter += steadyStep;
            if (grainCounter >= grainPeriod) {
                grainStart += grainJump;
                if (looping) {
                    if (forward ? grainStart >= loopEnd : grainStart <= loopStart) grainStart = forward ? loopStart : loopEnd;
                    if (grainStart < 0.0 || grainStart >= length) grainStart = 0.0;
                }
                if (Grain) pos = grainStart;
                grainCounter = 0.0;
            }
        }
        return count;
    }

    // One frame of the second pass, as renderFrame<true> computes it.
    template <bool Grain>
    [[gnu::always_inline]] void playFrame(int i, double at, double fade, float* mixLeft, float* mixRight) const {
        const int j = static_cast<int>(at);
        const double frac = at - j;
        const double s0 = readFrame(left, j, length, frac, interp);
        const double s1 = right == left ? s0 : readFrame(right, j, length, frac, interp);
        const double g = Grain ? level * fade * volume * steadyEnv : steadyGain;
        const float outLeft = static_cast<float>(g * gainLeft * s0);
        const float outRight = static_cast<float>(g * gainRight * s1);
        mixLeft[i] += outLeft;
        mixRight[i] += outRight;
        meter[i] += outLeft;
    }

    // Second pass: frames [first, first + count) from their read positions.
    template <bool Grain>
    [[gnu::always_inline]] void playSpan(int first, int count, const double* at, const double* fades,
                                         float* mixLeft, float* mixRight) const {
        int n = 0;
        const Doubles frameInterp = {interp, interp, interp, interp};
        const Doubles env = splat(steadyEnv);
        const bool mono = right == left;
        for (; n + 4 <= count; n += 4) {
            Doubles position;
            std::memcpy(&position, at + n, sizeof position);
            const Ints j = __builtin_convertvector(position, Ints);
            // Frames outside the sample read its guard frame: the rare case
            // goes frame by frame.
            if (static_cast<unsigned>(j[0]) >= static_cast<unsigned>(length) ||
                static_cast<unsigned>(j[1]) >= static_cast<unsigned>(length) ||
                static_cast<unsigned>(j[2]) >= static_cast<unsigned>(length) ||
                static_cast<unsigned>(j[3]) >= static_cast<unsigned>(length)) {
                for (int k = n; k < n + 4; k++)
                    playFrame<Grain>(first + k, at[k], Grain ? fades[k] : 1.0, mixLeft, mixRight);
                continue;
            }
            const Doubles frac = position - __builtin_convertvector(j, Doubles);
            const Floats l0 = {left[j[0]], left[j[1]], left[j[2]], left[j[3]]};
            const Floats l1 = {left[j[0] + 1], left[j[1] + 1], left[j[2] + 1], left[j[3] + 1]};
            const Doubles s0 =
                __builtin_convertvector(l0, Doubles) + __builtin_convertvector(l1 - l0, Doubles) * frac * frameInterp;
            Doubles s1 = s0;
            if (!mono) {
                const Floats r0 = {right[j[0]], right[j[1]], right[j[2]], right[j[3]]};
                const Floats r1 = {right[j[0] + 1], right[j[1] + 1], right[j[2] + 1], right[j[3] + 1]};
                s1 = __builtin_convertvector(r0, Doubles) + __builtin_convertvector(r1 - r0, Doubles) * frac * frameInterp;
            }
            Doubles g;
            if (Grain) {
                Doubles fade;
                std::memcpy(&fade, fades + n, sizeof fade);
                g = splat(level) * fade * splat(volume) * env;
            } else {
                g = splat(steadyGain);
            }
            const Floats outLeft = __builtin_convertvector(g * splat(gainLeft) * s0, Floats);
            const Floats outRight = __builtin_convertvector(g * splat(gainRight) * s1, Floats);
            addTo(mixLeft + first + n, outLeft);
            addTo(mixRight + first + n, outRight);
            addTo(meter + first + n, outLeft);
        }
        for (; n < count; n++) playFrame<Grain>(first + n, at[n], Grain ? fades[n] : 1.0, mixLeft, mixRight);
    }
};

// The stream is copied into a local for the loop, so that its fields can
// live in registers instead of being stored and reloaded every frame.
template <bool Steady>
void renderOneAs(Stream& a, int first, int frames, float* mixLeft, float* mixRight) {
    Stream s = a;
    for (int i = first; i < frames && s.renderFrame<Steady>(i, mixLeft, mixRight); i++) {
    }
    a = s;
}

// A steady, audible stream over frames [first, frames), span by span.
template <bool Grain>
[[gnu::always_inline]] inline void renderSpans(Stream& s, int first, int frames, float* mixLeft, float* mixRight) {
    constexpr int kSpan = 32;
    double at[kSpan];
    double fades[kSpan];
    for (int i = first; i < frames; i += kSpan) {
        const int count = std::min(kSpan, frames - i);
        const int playing = s.planSpan<Grain>(count, at, fades);
        s.playSpan<Grain>(i, playing, at, fades, mixLeft, mixRight);
        if (playing < count) return;
    }
}

[[gnu::target_clones("avx2", "default")]] void renderSteady(Stream& a, int first, int frames, float* mixLeft,
                                                             float* mixRight) noexcept {
    Stream s = a;
    if (s.grain)
        renderSpans<true>(s, first, frames, mixLeft, mixRight);
    else
        renderSpans<false>(s, first, frames, mixLeft, mixRight);
    a = s;
}

// Renders frames [first, frames) of one loaded stream.
void renderLoaded(Stream& a, int first, int frames, float* mixLeft, float* mixRight) {
    if (a.steady && !a.silenced)
        renderSteady(a, first, frames, mixLeft, mixRight);
    else if (a.steady)
        renderOneAs<true>(a, first, frames, mixLeft, mixRight);
    else
        renderOneAs<false>(a, first, frames, mixLeft, mixRight);
}

// Renders frames [first, frames) of one stream.
void renderOne(Stream& a, int first, int frames, float* mixLeft, float* mixRight) {
    a.load();
    renderLoaded(a, first, frames, mixLeft, mixRight);
    a.store();
}

template <bool SteadyA, bool SteadyB>
void renderPairAs(Stream& a, Stream& b, int first, int frames, float* mixLeft, float* mixRight) {
    Stream x = a, y = b;
    bool xPlays = true, yPlays = true;
    int i = first;
    for (; i < frames && xPlays && yPlays; i++) {
        xPlays = x.renderFrame<SteadyA>(i, mixLeft, mixRight);
        yPlays = y.renderFrame<SteadyB>(i, mixLeft, mixRight);
    }
    for (int j = i; xPlays && !yPlays && j < frames && x.renderFrame<SteadyA>(j, mixLeft, mixRight); j++) {
    }
    for (int j = i; yPlays && !xPlays && j < frames && y.renderFrame<SteadyB>(j, mixLeft, mixRight); j++) {
    }
    a = x;
    b = y;
}

// Renders two streams frame by frame side by side. Each frame still gets the
// first stream's sound before the second's, exactly as one after the other
// would add it, while the two streams' independent arithmetic overlaps.
void renderPair(Stream& a, Stream& b, int first, int frames, float* mixLeft, float* mixRight) {
    a.load();
    b.load();
    if (a.steady && b.steady && !a.silenced && !b.silenced) {
        // Whole spans, one stream after the other: the same order of sums.
        renderLoaded(a, first, frames, mixLeft, mixRight);
        renderLoaded(b, first, frames, mixLeft, mixRight);
    } else if (a.steady && b.steady)
        renderPairAs<true, true>(a, b, first, frames, mixLeft, mixRight);
    else if (a.steady)
        renderPairAs<true, false>(a, b, first, frames, mixLeft, mixRight);
    else if (b.steady)
        renderPairAs<false, true>(a, b, first, frames, mixLeft, mixRight);
    else
        renderPairAs<false, false>(a, b, first, frames, mixLeft, mixRight);
    a.store();
    b.store();
}

#undef splat
#undef addTo

void addScaled(float* __restrict out, const float* __restrict mix, int first, int frames, float gain) {
    for (int i = first; i < frames; i++) out[i] += mix[i] * gain;
}

}  // namespace

Voice::Voice(int slot, int blockSize) : slot(slot) {
    mixLeft.assign(static_cast<std::size_t>(std::max(blockSize, 0)), 0.0f);
    mixRight.assign(mixLeft.size(), 0.0f);
}

void Voice::align(const VoiceBlock& block) noexcept {
    bool aligned = true;
    for (int i = 0; i < block.layerCount && aligned; i++) aligned = playback[i].owner == block.layers[i].owner;
    if (aligned) return;
    // A layer that moved takes its state along; a new one starts still.
    const std::array<LayerPlayback, kMaxLayers> before = playback;
    for (int i = 0; i < block.layerCount; i++) {
        const std::uint64_t owner = block.layers[i].owner;
        playback[i] = LayerPlayback{};
        playback[i].owner = owner;
        for (const LayerPlayback& old : before)
            if (old.owner == owner) playback[i] = old;
    }
}

void Voice::play(int newNote, int newVelocity, int deltaFrames, int newChannel, const VoiceBlock& block,
                 float velocitySensitivity) noexcept {
    velocity = newVelocity;
    startOffset = std::max(deltaFrames, 0);
    note = newNote;
    noteRatio = semitoneRatio(newNote - 60);
    align(block);
    for (int i = 0; i < block.layerCount; i++) {
        const VoiceLayer& layer = block.layers[i];
        LayerPlayback& state = playback[i];
        double start = layer.startPlay;
        if (layer.reverse && !layer.looping && layer.startPlay == 0) start = layer.length;
        state.position = start;
        state.grainStart = start;
        state.grainCounter = 0.0;
        state.volumeEnvelope.gate(true);
        state.pitchEnvelope.gate(true);
    }
    velocityLevel = velocityToLevel(newVelocity, velocitySensitivity);
    active = true;
    // A voice cut off while released (by a block-size change) comes back
    // held: it must not be stolen or stopped like a released one.
    released = false;
    channel = newChannel == 16 ? -1 : newChannel;
}

void Voice::doRelease(const VoiceBlock& block) noexcept {
    align(block);
    for (int i = 0; i < block.layerCount; i++) {
        playback[i].volumeEnvelope.gate(false);
        playback[i].pitchEnvelope.gate(false);
    }
    released = true;
}

void Voice::stop(const VoiceBlock& block) noexcept {
    align(block);
    for (int i = 0; i < block.layerCount; i++) {
        playback[i].position = block.layers[i].startPlay;
        playback[i].pitchEnvelope.reset();
    }
    released = false;
    active = false;
}

bool Voice::finishIfEnded(const VoiceBlock& block) noexcept {
    if (!active || !released) return false;
    align(block);
    for (int i = 0; i < block.layerCount; i++)
        if (playback[i].volumeEnvelope.state != ADSR::envIdle) return false;
    stop(block);
    return true;
}

float Voice::velocityToLevel(int v, float sensitivity) noexcept {
    v = std::clamp(v, 1, 127);
    const float b = 1.0f - 0.95f * normalised(sensitivity);
    const float c = std::log(1.0f / b);
    return std::exp(std::pow(static_cast<float>(v - 1) / 126.0f, 0.8f) * c) * b;
}

void Voice::setPitchBend(int lsb, int msb, float bendRange) noexcept {
    int value = lsb + 128 * msb - 8192;
    float x = static_cast<float>(value) * (1.0f / 8192.0f);
    int range = static_cast<int>(24.0f * normalised(bendRange));
    bendRatio = std::pow(2.0f, static_cast<float>(range) * x / 12.0f);
}

void Voice::adjustBufferSize(std::vector<float>& left, std::vector<float>& right) {
    if (active) active = false;
    mixLeft.swap(left);
    mixRight.swap(right);
}

void Voice::process(float** outputs, int frames, const VoiceBlock& block) noexcept {
    if (!active) return;
    align(block);
    std::fill_n(mixLeft.data(), frames, 0.0f);
    std::fill_n(mixRight.data(), frames, 0.0f);

    bool allIdle = true;
    double volumeSum = 0.0;
    int instrumentCount = 0;
    Stream first, second;
    bool waiting = false;
    for (int index = 0; index < block.layerCount; index++) {
        const VoiceLayer& layer = block.layers[index];
        LayerPlayback& state = playback[index];
        state.volumeEnvelope.takeShape(*layer.volumeShape);
        state.pitchEnvelope.takeShape(*layer.pitchShape);
        const float pan = layer.pan;
        const float gainRight = pan > 0.5f ? 1.0f : 2.0f * pan;
        const float gainLeft = (1.0f - pan) > 0.5f ? 1.0f : 2.0f * (1.0f - pan);

        ADSR& volumeEnvelope = state.volumeEnvelope;
        if (volumeEnvelope.state != ADSR::envIdle) {
            allIdle = false;
            if (volumeEnvelope.state != ADSR::envSustain) volumeEnvelope.step();
        }
        volumeSum += layer.volume;
        instrumentCount++;
        rateRatio = layer.sampleRate / block.outputRate;
        if (startOffset >= frames || !layer.left || !layer.right || layer.length <= 0) continue;

        Stream& stream = waiting ? second : first;
        stream.state = &state;
        stream.left = layer.left;
        stream.right = layer.right;
        stream.meter = layer.meter;
        stream.length = layer.length;
        stream.loopStart = layer.loopStart;
        stream.loopEnd = layer.loopEnd;
        stream.looping = layer.looping;
        stream.forward = !layer.reverse;
        stream.grain = layer.grain;
        stream.silenced = layer.channel != -1 && channel != -1 && layer.channel != channel;
        stream.direction = layer.reverse ? -1.0 : 1.0;
        stream.pitchPrefix = noteRatio * (layer.rootRatio * layer.tuneRatio) * bendRatio * rateRatio;
        stream.masterTune = block.masterTune;
        stream.gainLeft = gainLeft;
        stream.gainRight = gainRight;
        stream.interp = layer.interpolate ? 1.0 : 0.0;
        stream.level = velocityLevel;
        stream.volume = layer.volume;
        stream.depth = layer.pitchEgDepth;
        stream.grainPeriod = layer.grainPeriod;
        stream.grainJump = stream.direction * (layer.grain ? layer.grainAdvance : layer.grainPeriod);
        stream.grainFade = 1.0;
        // Layers render two at a time; see renderPair.
        if (waiting) {
            renderPair(first, second, startOffset, frames, mixLeft.data(), mixRight.data());
            waiting = false;
        } else {
            waiting = true;
        }
    }
    if (waiting) renderOne(first, startOffset, frames, mixLeft.data(), mixRight.data());

    level = instrumentCount > 0 ? velocityLevel * (volumeSum / instrumentCount) : 0.0;
    // One loop per side: the host may pass the same buffer for both.
    addScaled(outputs[0], mixLeft.data(), startOffset, frames, block.masterVolume);
    addScaled(outputs[1], mixRight.data(), startOffset, frames, block.masterVolume);
    if (allIdle && released) stop(block);
    startOffset = 0;
}
