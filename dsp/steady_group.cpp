// Groups of up to four steady, audible streams (envelopes idle or
// sustaining), whose every step is fixed. Of the reference's steps they
// reproduce, between events, stayInSample (no wrap, no end: nothing),
// fadeGrain (the fade's formula, lane by lane), the fixed gain and step of
// renderFrame<true> (additions in the same order) and endGrainIfDue
// (nothing: no grain ends in a run); at and near events each lane goes
// through the reference's own steps. Events are found by quietFrames
// (stream_events.h). A stage these lanes lack (a per-layer filter, say)
// goes into the reference, and its streams go there (stream_groups.h).
#include <algorithm>
#include <cmath>

#include "dsp/stream_events.h"
#include "dsp/stream_groups.h"
#include "dsp/vector_clones.h"

using namespace stream_vectors;

namespace {

// Frames of a span per pass: the positions and gains of four streams
// (16 KB) stay in the first level of cache between the passes.
constexpr int kSpan = 256;
constexpr int kGroup = kSteadyGroupLanes;

// A group's first pass: up to four streams in the lanes of vectors. Between
// events (a loop's end, a sample's end, a grain's end or its fades) a run of
// frames needs no test at all: each frame stores the positions and adds the
// steps, the same additions as frame by frame. Frames near an event go lane
// by lane through exactly the steps of reference::renderFrame<true>.
struct GroupPlan {
    LayerStream* stream[kGroup];
    int count;
    Doubles pos, counter, fade, dirStep, step, period;
    // A grain's gain is level x fade x volume x envelope, left to right.
    Doubles level, volume, env;
    bool playing[kGroup];
    int planned[kGroup];  // frames of this span a stopped lane plays
    bool anyGrain = false;

    void take(LayerStream* const* streams, int lanes) {
        count = lanes;
        for (int k = 0; k < kGroup; k++) {
            LayerStream* s = streams[k < lanes ? k : 0];
            stream[k] = s;
            pos[k] = s->pos;
            counter[k] = s->grainCounter;
            fade[k] = s->grainFade;
            dirStep[k] = s->direction * s->steadyStep;
            step[k] = s->steadyStep;
            period[k] = s->grainPeriod;
            level[k] = s->level;
            volume[k] = s->volume;
            env[k] = s->steadyEnv;
            playing[k] = k < lanes;
            planned[k] = 0;
            quietUntil[k] = 0;
            anyGrain = anyGrain || (k < lanes && s->grain);
        }
        for (int k = lanes; k < kGroup; k++) stopLane(k);
    }

    // The lane's values stay as they are from here on.
    void stopLane(int k) {
        playing[k] = false;
        dirStep[k] = 0.0;
        step[k] = 0.0;
    }

    // Back into the streams that still play (a stopped one has its state).
    void give() {
        for (int k = 0; k < count; k++) {
            if (!playing[k]) continue;
            LayerStream& s = *stream[k];
            s.pos = pos[k];
            s.grainCounter = counter[k];
            s.grainFade = fade[k];
        }
    }

    // The frame of the span up to which the lane surely meets no event, and
    // how its fade moves until then. A lane's run stays quiet whatever the
    // other lanes meet: only a lane whose run has ended is looked at again.
    int quietUntil[kGroup];
    FadeMove fadeHow[kGroup];
    static constexpr int kLongestRun = 1 << 20;

    // Frames from the lane's state on that surely hold no event.
    int quietFrames(int k, int limit, FadeMove& how) const {
        how = FadeMove::holds;
        if (!playing[k]) return limit;
        return ::quietFrames(*stream[k], pos[k], counter[k], dirStep[k], step[k], limit, how);
    }

    // The fade of a lane whose fade moves in its run, at grain counter c,
    // as reference::fadeGrain computes it.
    double fadeOf(int k, double c) const {
        return fadeHow[k] == FadeMove::in ? c / kGrainRamp : std::fabs(c - period[k]) / kGrainRamp;
    }

    // One frame, lane by lane. A lane near an event moves as
    // reference::renderFrame<true> moves it, through the reference's own
    // steps; one still in its quiet run takes the run's step.
    void planOneFrame(int n, double (*at)[kSpan], double (*gains)[kSpan]) {
        for (int k = 0; k < count; k++) {
            if (!playing[k]) continue;
            LayerStream& s = *stream[k];
            if (quietUntil[k] > n) {
                at[k][n] = pos[k];
                if (s.grain) {
                    if (fadeHow[k] != FadeMove::holds) fade[k] = fadeOf(k, counter[k]);
                    gains[k][n] = level[k] * fade[k] * volume[k] * env[k];
                }
                pos[k] += dirStep[k];
                counter[k] += step[k];
                continue;
            }
            s.pos = pos[k];
            s.grainCounter = counter[k];
            s.grainFade = fade[k];
            if (!reference::stayInSample(s)) {
                // The stream keeps the state it stopped in.
                planned[k] = n;
                stopLane(k);
                continue;
            }
            at[k][n] = s.pos;
            if (s.grain) {
                reference::fadeGrain(s);
                gains[k][n] = reference::gainWith(s, s.steadyEnv);
            }
            s.pos += s.direction * s.steadyStep;
            s.grainCounter += s.steadyStep;
            reference::endGrainIfDue(s);
            pos[k] = s.pos;
            counter[k] = s.grainCounter;
            fade[k] = s.grainFade;
        }
    }

    // The first pass over a span of `span` frames.
    [[gnu::always_inline]] void planSpan(int span, double (*at)[kSpan], double (*gains)[kSpan]) {
        for (int k = 0; k < kGroup; k++) planned[k] = 0;
        int n = 0;
        // Frames to take one by one before looking for a quiet run again:
        // doubled each time none is found, so that streams with an event
        // every few frames (tiny loops, steep pitch) do not pay for the
        // search at every frame.
        int checked = 1;
        while (n < span) {
            int quiet = span - n;
            for (int k = 0; k < count; k++) {
                if (quietUntil[k] <= n) quietUntil[k] = n + quietFrames(k, kLongestRun, fadeHow[k]);
                quiet = std::min(quiet, quietUntil[k] - n);
            }
            if (quiet == 0) {
                for (const int end = std::min(span, n + checked); n < end; n++) planOneFrame(n, at, gains);
                checked = std::min(2 * checked, kSpan);
                continue;
            }
            checked = 1;
            const int end = n + quiet;
            bool fading = false;
            for (int k = 0; k < count; k++) fading = fading || fadeHow[k] != FadeMove::holds;
            if (!anyGrain)
                runFrames<false, false>(n, end, fadeHow, at, gains);
            else if (!fading)
                runFrames<true, false>(n, end, fadeHow, at, gains);
            else
                runFrames<true, true>(n, end, fadeHow, at, gains);
            n = end;
        }
        for (int k = 0; k < kGroup; k++) quietUntil[k] -= span;
    }

    // One frame of a quiet run: the lanes' positions, and their gains when
    // a fade moves (the lanes whose fade moves divide their own counter, as
    // reference::fadeGrain does), then the steps.
    template <bool Fading>
    [[gnu::always_inline]] void runFrame(Doubles& p, Doubles& c, Doubles& f, Doubles& atFrame, Doubles& gainFrame,
                                         const FadeMove* how) const {
        atFrame = p;
        if (Fading) {
            for (int k = 0; k < count; k++)
                if (how[k] != FadeMove::holds) f[k] = fadeOf(k, c[k]);
            gainFrame = level * f * volume * env;
        }
        p += dirStep;
        c += step;
    }

    // Frames [n, end) of a quiet run, with the gains when `Gains`. Each
    // four frames are turned lane by lane as they are stored, so that the
    // second pass finds each stream's frames side by side.
    template <bool Gains, bool Fading>
    [[gnu::always_inline]] void runFrames(int n, int end, const FadeMove* how, double (*at)[kSpan],
                                          double (*gains)[kSpan]) {
        Doubles p = pos, c = counter, f = fade;
        const Doubles g = level * f * volume * env;
        Doubles a0, a1, a2, a3, g0 = g, g1 = g, g2 = g, g3 = g;
        for (; n + 4 <= end; n += 4) {
            runFrame<Fading>(p, c, f, a0, g0, how);
            runFrame<Fading>(p, c, f, a1, g1, how);
            runFrame<Fading>(p, c, f, a2, g2, how);
            runFrame<Fading>(p, c, f, a3, g3, how);
            storeTurned(at, n, a0, a1, a2, a3);
            if (Gains) storeTurned(gains, n, g0, g1, g2, g3);
        }
        for (; n < end; n++) {
            runFrame<Fading>(p, c, f, a0, g0, how);
            for (int k = 0; k < kGroup; k++) {
                at[k][n] = a0[k];
                if (Gains) gains[k][n] = g0[k];
            }
        }
        pos = p;
        counter = c;
        fade = f;
    }

    // Four frames of four lanes into each lane's row.
    [[gnu::always_inline]] static void storeTurned(double (*rows)[kSpan], int n, const Doubles& f0, const Doubles& f1,
                                                   const Doubles& f2, const Doubles& f3) {
        const Doubles t0 = __builtin_shufflevector(f0, f1, 0, 4, 2, 6);
        const Doubles t1 = __builtin_shufflevector(f0, f1, 1, 5, 3, 7);
        const Doubles t2 = __builtin_shufflevector(f2, f3, 0, 4, 2, 6);
        const Doubles t3 = __builtin_shufflevector(f2, f3, 1, 5, 3, 7);
        *reinterpret_cast<UnalignedDoubles*>(&rows[0][n]) = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
        *reinterpret_cast<UnalignedDoubles*>(&rows[1][n]) = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
        *reinterpret_cast<UnalignedDoubles*>(&rows[2][n]) = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
        *reinterpret_cast<UnalignedDoubles*>(&rows[3][n]) = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
    }

    // Second pass of lane k's stream.
    [[gnu::always_inline]] void play(int k, int first, int frames, double (*at)[kSpan], double (*gains)[kSpan]) const {
        if (stream[k]->grain)
            playSpan<true, 1>(*stream[k], first, frames, at[k], gains[k]);
        else
            playSpan<false, 1>(*stream[k], first, frames, at[k], gains[k]);
    }

    bool anyPlaying() const { return playing[0] || playing[1] || playing[2] || playing[3]; }
};

// Up to four steady, audible streams that start at the same frame, span by
// span; each lane's frames in a row of its own.
[[gnu::always_inline]] inline void renderFour(LayerStream* const* streams, int count, int frames) {
    GroupPlan plan;
    alignas(32) double at[kGroup][kSpan];
    alignas(32) double gains[kGroup][kSpan];
    renderInSpans<kSpan>(plan, streams, count, frames, at, gains);
}

}  // namespace

// Four at a time: with steps this light, four lanes' additions already
// overlap, and the positions and gains of four streams stay in the first
// level of cache for a longer span than those of eight would (measured:
// eight lanes were slower with one and with four instruments a voice).
VECTOR_CLONES void renderSteadyGroup(LayerStream* const* streams, int count, int frames) noexcept {
    for (int k = 0; k < count; k += kGroup) renderFour(streams + k, std::min(kGroup, count - k), frames);
}
