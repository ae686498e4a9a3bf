// The reference render: a stream's frames one at a time, each through the
// steps below in this order. It defines the sound; every faster way of
// rendering a stream (the steady and moving groups, stream_groups.h) moves
// the stream through these same steps, or through arithmetic that gives
// their results to the last bit, and the differential test holds each of
// them to this one.
//
// A frame: stayInSample (loop wrap, or the sample's end), the volume
// envelope's step, fadeGrain (grain mode), mixFrame (read, interpolate,
// mix), moveOn (the pitch envelope's two steps, the position and the grain
// counter), endGrainIfDue.
//
// A new per-frame stage (a per-layer filter between the read and the mix,
// a crossfade at the loop's wrap) goes into renderFrame here, in its place
// among the steps, with its lasting state in LayerPlayback; the
// dispatcher's needsReference (layer_stream.cpp) sends the streams that
// use it here until a fast path reproduces it.
#pragma once

#include <cmath>

#include "dsp/layer_stream.h"

inline constexpr double kGrainRamp = 50.0;  // frames of fade at each end of a grain

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

namespace reference {

// Wraps the position around the loop; false when the sample has ended
// without one (the envelopes are then reset and the stream stops).
[[gnu::always_inline]] inline bool stayInSample(LayerStream& s) {
    if (s.looping) {
        if (s.forward) {
            if (s.pos >= s.loopEnd) {
                s.pos = s.pos - s.loopEnd + s.loopStart;
                if (s.pos >= s.loopEnd) s.pos = s.loopStart;
            }
        } else if (s.pos <= s.loopStart) {
            s.pos = s.pos - s.loopStart + s.loopEnd;
            if (s.pos <= s.loopStart) s.pos = s.loopEnd;
        }
    } else if (s.forward ? s.pos >= s.length : s.pos <= 0.0) {
        s.volumeEnvelope.reset();
        s.pitchEnvelope.reset();
        return false;
    }
    return true;
}

// The grain fade at the grain's two ends (grain mode only).
[[gnu::always_inline]] inline void fadeGrain(LayerStream& s) {
    if (s.grainCounter <= kGrainRamp) s.grainFade = s.grainCounter / kGrainRamp;
    if (s.grainCounter >= s.grainPeriod - kGrainRamp)
        s.grainFade = std::fabs(s.grainCounter - s.grainPeriod) / kGrainRamp;
}

// At a grain's end the next grain starts further on; in grain mode the
// position jumps there.
[[gnu::always_inline]] inline void endGrainIfDue(LayerStream& s) {
    if (s.grainCounter < s.grainPeriod) return;
    s.grainStart += s.grainJump;
    if (s.looping) {
        if (s.forward ? s.grainStart >= s.loopEnd : s.grainStart <= s.loopStart)
            s.grainStart = s.forward ? s.loopStart : s.loopEnd;
        if (s.grainStart < 0.0 || s.grainStart >= s.length) s.grainStart = 0.0;
    }
    if (s.grain) s.pos = s.grainStart;
    s.grainCounter = 0.0;
}

// The gain of a frame whose volume envelope gives `env`.
[[gnu::always_inline]] inline double gainWith(const LayerStream& s, double env) {
    return s.level * s.grainFade * s.volume * env;
}

// Reads the sample at position `at`, interpolated, and adds it with gain
// `g` to frame i of the mix and the left meter.
[[gnu::always_inline]] inline void mixFrame(const LayerStream& s, int i, double at, double g) {
    const int j = static_cast<int>(at);
    const double frac = at - j;
    const double s0 = readFrame(s.left, j, s.length, frac, s.interp);
    const double s1 = s.right == s.left ? s0 : readFrame(s.right, j, s.length, frac, s.interp);  // mono reads once
    const float outLeft = static_cast<float>(g * s.gainLeft * s0);
    const float outRight = static_cast<float>(g * s.gainRight * s1);
    s.mixLeft[i] += outLeft;
    s.mixRight[i] += outRight;
    s.meterLeft[i] += outLeft;
}

// Steps the pitch envelope twice, moving the position with the first
// output and the grain counter with the second.
[[gnu::always_inline]] inline void moveOn(LayerStream& s) {
    const double p1 = s.pitchEnvelope.step();
    s.pos += s.direction * (s.pitchPrefix * (1.0 + p1 * s.depth) * s.masterTune);
    const double p2 = s.pitchEnvelope.step();
    s.grainCounter += s.pitchPrefix * (1.0 + p2 * s.depth) * s.masterTune;
}

// Renders frame i into the mix and the meter; false once the sample has
// ended (its envelopes are then reset). The reference is renderFrame<false>.
// `Steady`, for a steady stream only (LayerStream::steady), skips the
// envelope steps, which would change nothing, and takes the fixed gain and
// step they would give: the same bits, fewer operations.
template <bool Steady>
[[gnu::always_inline]] inline bool renderFrame(LayerStream& s, int i) {
    if (!stayInSample(s)) return false;
    const double env = Steady ? s.volumeEnvelope.output : s.volumeEnvelope.step();
    if (s.silenced) return true;

    if (s.grain) fadeGrain(s);
    mixFrame(s, i, s.pos, Steady && !s.grain ? s.steadyGain : gainWith(s, env));

    if (Steady) {
        s.pos += s.direction * s.steadyStep;
        s.grainCounter += s.steadyStep;
    } else {
        moveOn(s);
    }
    endGrainIfDue(s);
    return true;
}

// renderFrame<false> of an audible stream, all but the mixing: where frame
// reads and with what gain go to `at` and `gain`, for a second pass to mix
// (stream_groups.h). False once the sample has ended.
[[gnu::always_inline]] inline bool planFrame(LayerStream& s, double& at, double& gain) {
    if (!stayInSample(s)) return false;
    const double env = s.volumeEnvelope.step();
    if (s.grain) fadeGrain(s);
    at = s.pos;
    gain = gainWith(s, env);
    moveOn(s);
    endGrainIfDue(s);
    return true;
}

// Frames [first, frames) of a loaded stream, or up to the sample's end. The
// stream is copied into a local for the loop, so that its fields can live
// in registers instead of being stored and reloaded every frame.
template <bool Steady>
[[gnu::always_inline]] inline void renderFrames(LayerStream& stream, int frames) {
    LayerStream s = stream;
    for (int i = s.first; i < frames && renderFrame<Steady>(s, i); i++) {
    }
    stream = s;
}

}  // namespace reference

// One loaded stream by the reference, frame by frame.
void renderByReference(LayerStream& stream, int frames) noexcept;

// The streams as renderStreams takes them (state loaded and stored back),
// every one by the reference.
void renderStreamsByReference(LayerStream* streams, int count, int frames) noexcept;
