// One instrument playing in one voice slot for one block, and the loops
// that render such streams. The streams of a block render in the order of
// their voices and layers; whatever streams render side by side, every mix
// and meter frame receives their sound in that order, so that the sums come
// out the same to the last bit.
#pragma once

#include <cmath>

#include "dsp/voice.h"

inline constexpr double kGrainRamp = 50.0;  // frames of fade at each end of a grain

// Steps this small, or positions this large, could be moved by rounding
// more than a frame's margin: runs of frames are not planned ahead for them.
inline constexpr double kSmallestStep = 1e-3;
inline constexpr double kLargestPosition = 1 << 30;

// Reads frame `j` and its successor, interpolated by `frac`. Every buffer
// holds a guard frame at `length`; indices are clamped to it so that no
// position, however it was reached, reads outside the buffer.
// (A position can leave the sample, for example when a switch of direction
// or loop mode meets a note that has run past either end.)
[[gnu::always_inline]] inline double readFrame(const float* buffer, int j, int length, double frac, double interp) {
    int next = j + 1;
    if (static_cast<unsigned>(j) >= static_cast<unsigned>(length)) {
        j = j < 0 ? 0 : length;
        next = j;
    }
    return buffer[j] + static_cast<double>(buffer[next] - buffer[j]) * frac * interp;
}

// One instrument playing in one voice slot for one block: what stays fixed,
// and the running state, copied out of the instrument while frames render so
// that it can live in registers.
struct LayerStream {
    LayerPlayback* state;
    float* mixLeft;  // the voice's mix
    float* mixRight;
    int first;       // the first frame the voice plays in this block
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

    // The steps of a frame, shared by every way of rendering one.

    // Wraps the position around the loop; false when the sample has ended
    // without one (the envelopes are then reset and the stream stops).
    [[gnu::always_inline]] bool stayInSample() {
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
        return true;
    }

    // The grain fade at the grain's two ends (grain mode only).
    [[gnu::always_inline]] void fadeGrain() {
        if (grainCounter <= kGrainRamp) grainFade = grainCounter / kGrainRamp;
        if (grainCounter >= grainPeriod - kGrainRamp) grainFade = std::fabs(grainCounter - grainPeriod) / kGrainRamp;
    }

    // At a grain's end the next grain starts further on; in grain mode the
    // position jumps there.
    [[gnu::always_inline]] void endGrainIfDue() {
        if (grainCounter < grainPeriod) return;
        grainStart += grainJump;
        if (looping) {
            if (forward ? grainStart >= loopEnd : grainStart <= loopStart) grainStart = forward ? loopStart : loopEnd;
            if (grainStart < 0.0 || grainStart >= length) grainStart = 0.0;
        }
        if (grain) pos = grainStart;
        grainCounter = 0.0;
    }

    // Reads the sample at position `at`, interpolated, and adds it with gain
    // `g` to frame i of the mix and the meter.
    [[gnu::always_inline]] void mixFrame(int i, double at, double g) const {
        const int j = static_cast<int>(at);
        const double frac = at - j;
        const double s0 = readFrame(left, j, length, frac, interp);
        const double s1 = right == left ? s0 : readFrame(right, j, length, frac, interp);  // mono reads once
        const float outLeft = static_cast<float>(g * gainLeft * s0);
        const float outRight = static_cast<float>(g * gainRight * s1);
        mixLeft[i] += outLeft;
        mixRight[i] += outRight;
        meter[i] += outLeft;
    }

    // Renders frame i into the mix and the meter; false once the sample
    // has ended (its envelopes are then reset). `Steady` skips the envelope
    // steps that would change nothing and uses the fixed gain and step.
    template <bool Steady>
    [[gnu::always_inline]] bool renderFrame(int i) {
        if (!stayInSample()) return false;
        const double env = Steady ? volumeEnvelope.output : volumeEnvelope.step();
        if (silenced) return true;

        if (grain) fadeGrain();
        mixFrame(i, pos, Steady && !grain ? steadyGain : gainWith(env));

        if (Steady) {
            pos += direction * steadyStep;
            grainCounter += steadyStep;
        } else {
            moveOn();
        }
        endGrainIfDue();
        return true;
    }

    // The gain of a frame whose volume envelope gives `env`.
    [[gnu::always_inline]] double gainWith(double env) const { return level * grainFade * volume * env; }

    // Steps the pitch envelope twice, moving the position with the first
    // output and the grain counter with the second.
    [[gnu::always_inline]] void moveOn() {
        const double p1 = pitchEnvelope.step();
        pos += direction * (pitchPrefix * (1.0 + p1 * depth) * masterTune);
        const double p2 = pitchEnvelope.step();
        grainCounter += pitchPrefix * (1.0 + p2 * depth) * masterTune;
    }

    // An audible stream can also render in two passes over a span of frames
    // (stream_groups.h): the first moves the stream frame by frame exactly
    // as renderFrame does and notes where each frame reads and with what
    // gain, the second reads, interpolates and mixes those frames several
    // at a time.

    // First pass, one frame of renderFrame<false>, all but the mixing; false
    // once the sample has ended.
    [[gnu::always_inline]] bool planFrame(double& at, double& gain) {
        if (!stayInSample()) return false;
        const double env = volumeEnvelope.step();
        if (grain) fadeGrain();
        at = pos;
        gain = gainWith(env);
        moveOn();
        endGrainIfDue();
        return true;
    }
};

// Renders the streams, each over frames [first, frames) of its voice's mix
// and its layer's meter, as one after another would.
void renderStreams(LayerStream* streams, int count, int frames) noexcept;
