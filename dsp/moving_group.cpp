// Groups of up to eight audible streams, whose envelopes may move. The
// first pass steps every lane's envelopes, position and grain counter in
// the lanes of vectors, one frame after another: the envelopes' recursions
// are serial within a stream, but eight streams' recursions overlap. Of the
// reference's steps, the lanes reproduce the envelope steps (each stage's
// arithmetic, from stageOf), fadeGrain (masks) and moveOn; endGrainIfDue
// runs lane by lane where a grain ends. A frame in which any lane meets an
// event of another kind (the position reaches sampleEdges, an envelope's
// stage ends: stream_events.h, tested here in masks) goes lane by lane
// through the reference's planFrame instead. A stage these lanes lack (a
// per-layer filter, say) goes into the reference, and its streams go there
// (stream_groups.h).
#include <algorithm>
#include <limits>

#include "dsp/stream_events.h"
#include "dsp/stream_groups.h"
#include "dsp/vector_clones.h"

using namespace stream_vectors;

namespace {

constexpr int kLanes = kMovingGroupLanes;
// Frames per span: a span's positions and gains (16 KB) stay in the first
// level of cache between the passes.
constexpr int kSpan = 128;

// The eight lanes' doubles go in two vectors of four (stream_vectors'
// Doubles), their envelopes' floats in one vector of eight: every vector as
// wide as an AVX register, so that the compiler keeps them whole. Lane k is
// element k % 4 of half k / 4.
constexpr int kHalves = 2;
typedef long long Mask __attribute__((vector_size(32)));
typedef float FloatLanes __attribute__((vector_size(32)));
typedef int FloatMask __attribute__((vector_size(32)));

constexpr double kEndless = std::numeric_limits<double>::infinity();
constexpr long long kMagnitudeBits = 0x7fffffffffffffffLL;

[[gnu::always_inline]] inline bool anyLane(const Mask& m) {
    const Mask half = m | __builtin_shufflevector(m, m, 2, 3, 0, 1);
    return (half[0] | half[1]) != 0;
}

// Lanes 0-3 or 4-7 of eight floats or float masks, as four.
#define halfOf(v, h) ((h) == 0 ? __builtin_shufflevector(v, v, 0, 1, 2, 3) : __builtin_shufflevector(v, v, 4, 5, 6, 7))
// (Element by element, as stream_vectors' widen.)
#define widened(v, h) (Doubles{(v)[4 * (h)], (v)[4 * (h) + 1], (v)[4 * (h) + 2], (v)[4 * (h) + 3]})

// One envelope of each lane: its output and its current stage (stageOf,
// stream_events.h), in lanes. Lanes whose envelope holds (idle or
// sustaining) keep their output.
struct EnvelopeLanes {
    FloatLanes output, coef, base, rise, fall;
    FloatMask moves;

    void take(int k, const ADSR& envelope) {
        const EnvelopeStage stage = stageOf(envelope);
        output[k] = envelope.output;
        coef[k] = stage.coef;
        base[k] = stage.base;
        rise[k] = stage.rise;
        fall[k] = stage.fall;
        moves[k] = stage.moves ? -1 : 0;
    }

    // One step from `from` into `to`; `ended` gains the lanes whose stage
    // the step would end.
    [[gnu::always_inline]] void step(const FloatLanes& from, FloatLanes& to, FloatMask& ended) const {
        const FloatLanes next = from * coef + base;
        ended |= moves & ((next >= rise) | (next <= fall));
        to = moves ? next : from;
    }
};

struct MovingPlan {
    LayerStream* stream[kLanes];
    int count;
    Doubles pos[kHalves], counter[kHalves], fade[kHalves];
    Doubles direction[kHalves], prefix[kHalves], depth[kHalves], tune[kHalves], level[kHalves],
        volume[kHalves];
    // The position leaves the sample, or wraps, at or beyond these.
    Doubles upper[kHalves], lower[kHalves];
    Doubles period[kHalves], fadeOutFrom[kHalves];
    Mask grainLane[kHalves];
    EnvelopeLanes volumeEnvelope, pitchEnvelope;
    bool playing[kLanes];
    int planned[kLanes];  // frames of this span a stopped lane plays

#define lane(v, k) v[(k) / 4][(k) % 4]

    void take(LayerStream* const* streams, int lanes) {
        count = lanes;
        for (int k = 0; k < kLanes; k++) {
            stream[k] = streams[k < lanes ? k : 0];
            load(k);
            playing[k] = k < lanes;
            planned[k] = 0;
        }
        for (int k = lanes; k < kLanes; k++) stopLane(k);
    }

    // The lane's state and settings, from its stream.
    void load(int k) {
        const LayerStream& s = *stream[k];
        lane(pos, k) = s.pos;
        lane(counter, k) = s.grainCounter;
        lane(fade, k) = s.grainFade;
        lane(direction, k) = s.direction;
        lane(prefix, k) = s.pitchPrefix;
        lane(depth, k) = s.depth;
        lane(tune, k) = s.masterTune;
        lane(level, k) = s.level;
        lane(volume, k) = s.volume;
        const SampleEdges edges = sampleEdges(s);
        lane(upper, k) = edges.above;
        lane(lower, k) = edges.below;
        lane(period, k) = s.grainPeriod;
        lane(fadeOutFrom, k) = s.grainPeriod - kGrainRamp;
        lane(grainLane, k) = s.grain ? -1 : 0;
        volumeEnvelope.take(k, s.volumeEnvelope);
        pitchEnvelope.take(k, s.pitchEnvelope);
    }

    // The lane's running state into its stream.
    void give(int k) const {
        LayerStream& s = *stream[k];
        s.pos = lane(pos, k);
        s.grainCounter = lane(counter, k);
        s.grainFade = lane(fade, k);
        s.volumeEnvelope.output = volumeEnvelope.output[k];
        s.pitchEnvelope.output = pitchEnvelope.output[k];
    }

    void give() const {
        for (int k = 0; k < count; k++)
            if (playing[k]) give(k);
    }

    // A stopped lane meets no event again and moves nothing.
    void stopLane(int k) {
        playing[k] = false;
        lane(upper, k) = kEndless;
        lane(lower, k) = -kEndless;
        lane(period, k) = kEndless;
        lane(fadeOutFrom, k) = kEndless;
        lane(grainLane, k) = 0;
        lane(direction, k) = 0.0;
        lane(prefix, k) = 0.0;
        lane(depth, k) = 0.0;
        volumeEnvelope.moves[k] = 0;
        pitchEnvelope.moves[k] = 0;
    }

    // What changes from frame to frame, copied out of the plan while frames
    // run so that it can live in registers.
    struct Running {
        Doubles pos[kHalves], counter[kHalves], fade[kHalves];
        FloatLanes volume, pitch;
    };

    // Frames from n on, every lane at once, until the span's end or a frame
    // in which a lane meets an event; returns that frame.
    [[gnu::always_inline]] int runVector(int n, int end, double (*at)[kLanes], double (*gains)[kLanes]) {
        Running r = {{pos[0], pos[1]}, {counter[0], counter[1]}, {fade[0], fade[1]}, volumeEnvelope.output,
                     pitchEnvelope.output};
        for (; n < end; n++) {
            FloatMask ended = {};
            FloatLanes env, p1, p2;
            volumeEnvelope.step(r.volume, env, ended);
            pitchEnvelope.step(r.pitch, p1, ended);
            pitchEnvelope.step(p1, p2, ended);
            // The events of stream_events.h, in masks: the position at its
            // sampleEdges, a stage's end as stageOf gives it.
            Mask event = {};
#pragma GCC unroll 2
            for (int h = 0; h < kHalves; h++)
                event |= (r.pos[h] >= upper[h]) | (r.pos[h] <= lower[h]) |
                         __builtin_convertvector(halfOf(ended, h), Mask);
            if (anyLane(event)) break;

            // The grain fade at the grain's two ends, as reference::fadeGrain.
            Mask fadeIn[kHalves], fadeOut[kHalves], fading = {};
#pragma GCC unroll 2
            for (int h = 0; h < kHalves; h++) {
                fadeIn[h] = grainLane[h] & (r.counter[h] <= kGrainRamp);
                fadeOut[h] = grainLane[h] & (r.counter[h] >= fadeOutFrom[h]);
                fading |= fadeIn[h] | fadeOut[h];
            }
            if (anyLane(fading)) {
#pragma GCC unroll 2
                for (int h = 0; h < kHalves; h++) {
                    r.fade[h] = fadeIn[h] ? r.counter[h] / kGrainRamp : r.fade[h];
                    // fabs, bit for bit: the sign bit cleared.
                    const Doubles distance = (Doubles)((Mask)(r.counter[h] - period[h]) & kMagnitudeBits);
                    r.fade[h] = fadeOut[h] ? distance / kGrainRamp : r.fade[h];
                }
            }
            Mask due = {};
#pragma GCC unroll 2
            for (int h = 0; h < kHalves; h++) {
                *reinterpret_cast<Doubles*>(&at[n][4 * h]) = r.pos[h];
                *reinterpret_cast<Doubles*>(&gains[n][4 * h]) = level[h] * r.fade[h] * volume[h] * widened(env, h);
                r.pos[h] += direction[h] * (prefix[h] * (1.0 + widened(p1, h) * depth[h]) * tune[h]);
                r.counter[h] += prefix[h] * (1.0 + widened(p2, h) * depth[h]) * tune[h];
                due |= r.counter[h] >= period[h];
            }
            r.volume = env;
            r.pitch = p2;

            if (anyLane(due)) {
                for (int k = 0; k < count; k++) {
                    if (!(lane(r.counter, k) >= lane(period, k))) continue;
                    LayerStream& s = *stream[k];
                    s.pos = lane(r.pos, k);
                    s.grainCounter = lane(r.counter, k);
                    reference::endGrainIfDue(s);
                    lane(r.pos, k) = s.pos;
                    lane(r.counter, k) = s.grainCounter;
                }
            }
        }
#pragma GCC unroll 2
        for (int h = 0; h < kHalves; h++) {
            pos[h] = r.pos[h];
            counter[h] = r.counter[h];
            fade[h] = r.fade[h];
        }
        volumeEnvelope.output = r.volume;
        pitchEnvelope.output = r.pitch;
        return n;
    }

    // Frame n lane by lane, through the reference's steps.
    void scalarFrame(int n, double (*at)[kLanes], double (*gains)[kLanes]) {
        for (int k = 0; k < count; k++) {
            if (!playing[k]) continue;
            give(k);
            if (!reference::planFrame(*stream[k], at[n][k], gains[n][k])) {
                // The stream keeps the state it stopped in.
                planned[k] = n;
                stopLane(k);
                continue;
            }
            load(k);
        }
    }

    [[gnu::always_inline]] void planSpan(int span, double (*at)[kLanes], double (*gains)[kLanes]) {
        for (int k = 0; k < kLanes; k++) planned[k] = 0;
        for (int n = 0; n < span; n++) {
            n = runVector(n, span, at, gains);
            if (n < span) scalarFrame(n, at, gains);
        }
    }

    // Second pass of lane k's stream.
    [[gnu::always_inline]] void play(int k, int first, int frames, double (*at)[kLanes], double (*gains)[kLanes]) const {
        playSpan<true, kLanes>(*stream[k], first, frames, &at[0][k], &gains[0][k]);
    }

    bool anyPlaying() const {
        for (int k = 0; k < count; k++)
            if (playing[k]) return true;
        return false;
    }
#undef lane
};

#undef halfOf
#undef widened

}  // namespace

VECTOR_CLONES void renderMovingGroup(LayerStream* const* streams, int count, int frames) noexcept {
    MovingPlan plan;
    alignas(64) double at[kSpan][kLanes];
    alignas(64) double gains[kSpan][kLanes];
    renderInSpans<kSpan>(plan, streams, count, frames, at, gains);
}
