#include "dsp/layer_stream.h"

#include <algorithm>

#include "dsp/vector_clones.h"

namespace {

// Four doubles (two SSE registers, or one AVX register where the CPU has
// it): the same operations either way, so the same bits.
typedef double Doubles __attribute__((vector_size(32)));
typedef float Floats __attribute__((vector_size(16)));
typedef int Ints __attribute__((vector_size(16)));

// (Macros rather than functions: a function taking or returning these
// vectors would be called differently in each of the renderer's clones.)
#define splat(x) (Doubles{(x), (x), (x), (x)})
// Four floats anywhere in a float buffer (a vector of floats may stand for
// floats without breaking the aliasing rules, unlike memcpy's bytes, which
// would make the compiler reload every pointer after each store).
typedef float UnalignedFloats __attribute__((vector_size(16), aligned(4)));
#define addTo(destination, values) (*reinterpret_cast<UnalignedFloats*>(destination) += (values))

// Frames j and j + 1 of four frames j at once: one load for each pair, then
// the firsts and the seconds gathered by shuffles.
typedef float Pair __attribute__((vector_size(8), aligned(4)));
#define readPairs(buffer, j, firsts, seconds)                                                        \
    do {                                                                                             \
        const Floats low = __builtin_shufflevector(*reinterpret_cast<const Pair*>((buffer) + (j)[0]), \
                                                   *reinterpret_cast<const Pair*>((buffer) + (j)[1]), \
                                                   0, 1, 2, 3);                                      \
        const Floats high = __builtin_shufflevector(*reinterpret_cast<const Pair*>((buffer) + (j)[2]), \
                                                    *reinterpret_cast<const Pair*>((buffer) + (j)[3]), \
                                                    0, 1, 2, 3);                                     \
        (firsts) = __builtin_shufflevector(low, high, 0, 2, 4, 6);                                   \
        (seconds) = __builtin_shufflevector(low, high, 1, 3, 5, 7);                                  \
    } while (false)

// Frames of a span per pass: the positions of four streams stay in the
// first level of cache between the passes.
constexpr int kSpan = 256;
constexpr int kGroup = 4;

// Second pass of a steady, audible stream: frames [first, first + count)
// from their read positions (and grain fades), four at a time. Frame n's
// position is at[n * kStride].
template <bool Grain>
[[gnu::always_inline]] inline void playSpan(const LayerStream& s, int first, int count, const double* at,
                                            const double* fades) {
    constexpr int kStride = 4;
    const int length = s.length;
    const float* left = s.left;
    const float* right = s.right;
    float* mixLeft = s.mixLeft + first;
    float* mixRight = s.mixRight + first;
    float* meter = s.meter + first;
    const Doubles interp = splat(s.interp);
    const Doubles gainLeft = splat(s.gainLeft);
    const Doubles gainRight = splat(s.gainRight);
    // Without grains the gain is fixed, and so are its products with the
    // pans (the products renderFrame computes, frame after frame).
    const Doubles steadyLeft = splat(s.steadyGain) * gainLeft;
    const Doubles steadyRight = splat(s.steadyGain) * gainRight;
    const Doubles levelFactor = splat(s.level);
    const Doubles volume = splat(s.volume);
    const Doubles env = splat(s.steadyEnv);
    const bool mono = right == left;
    int n = 0;
    for (; n + 4 <= count; n += 4) {
        const Doubles position = {at[n * kStride], at[(n + 1) * kStride], at[(n + 2) * kStride], at[(n + 3) * kStride]};
        const Ints j = __builtin_convertvector(position, Ints);
        // Frames outside the sample read its guard frame: the rare case goes
        // frame by frame.
        if (static_cast<unsigned>(j[0]) >= static_cast<unsigned>(length) ||
            static_cast<unsigned>(j[1]) >= static_cast<unsigned>(length) ||
            static_cast<unsigned>(j[2]) >= static_cast<unsigned>(length) ||
            static_cast<unsigned>(j[3]) >= static_cast<unsigned>(length)) {
            for (int k = n; k < n + 4; k++)
                s.playFrame<Grain>(first + k, at[k * kStride], Grain ? fades[k * kStride] : 1.0);
            continue;
        }
        const Doubles frac = position - __builtin_convertvector(j, Doubles);
        Floats l0, l1;
        readPairs(left, j, l0, l1);
        const Doubles s0 = __builtin_convertvector(l0, Doubles) + __builtin_convertvector(l1 - l0, Doubles) * frac * interp;
        Doubles s1 = s0;
        if (!mono) {
            Floats r0, r1;
            readPairs(right, j, r0, r1);
            s1 = __builtin_convertvector(r0, Doubles) + __builtin_convertvector(r1 - r0, Doubles) * frac * interp;
        }
        Doubles toLeft = steadyLeft, toRight = steadyRight;
        if (Grain) {
            const Doubles fade = {fades[n * kStride], fades[(n + 1) * kStride], fades[(n + 2) * kStride],
                                  fades[(n + 3) * kStride]};
            const Doubles g = levelFactor * fade * volume * env;
            toLeft = g * gainLeft;
            toRight = g * gainRight;
        }
        const Floats outLeft = __builtin_convertvector(toLeft * s0, Floats);
        const Floats outRight = __builtin_convertvector(toRight * s1, Floats);
        addTo(mixLeft + n, outLeft);
        addTo(mixRight + n, outRight);
        addTo(meter + n, outLeft);
    }
    for (; n < count; n++) s.playFrame<Grain>(first + n, at[n * kStride], Grain ? fades[n * kStride] : 1.0);
}

// Streams that fit a group: steady (so their frames can be planned ahead)
// and heard.
bool fitsGroup(const LayerStream& s) { return s.steady && !s.silenced; }

// Streams that add nothing to any mix or meter: silenced ones, and those
// already past the end of a sample without a loop (they only reset their
// envelopes). They may render at any point without changing any sum.
bool addsNothing(const LayerStream& s) {
    return s.silenced || (!s.looping && (s.forward ? s.pos >= s.length : s.pos <= 0.0));
}

// A group's first pass: up to four streams in the lanes of vectors. Between
// events (a loop's end, a sample's end, a grain's end or its fades) a run of
// frames needs no test at all: each frame stores the positions and adds the
// steps, the same additions as frame by frame. Frames near an event go lane
// by lane through exactly the steps of LayerStream::renderFrame<true>.
struct GroupPlan {
    LayerStream* stream[kGroup];
    int count;
    Doubles pos, counter, fade, dirStep, step, period;
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
            playing[k] = k < lanes;
            planned[k] = 0;
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

    // How a lane's grain fade moves during a run.
    enum Fade { fadeHolds, fadeIn, fadeOut };

    // Frames from the lane's state on that surely hold no event (no loop or
    // sample end, no grain end, no fade starting or ending), and how its
    // fade moves meanwhile. One frame less than the arithmetic says, against
    // rounding; 0 near an event and when the numbers are out of the ordinary.
    int quietFrames(int k, int limit, Fade& how) const {
        how = fadeHolds;
        if (!playing[k]) return limit;
        const LayerStream& s = *stream[k];
        const double p = pos[k], c = counter[k], d = dirStep[k], e = step[k], g = period[k];
        // Steps this small, or positions this large, could be moved by
        // rounding more than the margin allows; fades that overlap are left
        // to the frame-by-frame steps.
        constexpr double kSmallest = 1e-3, kLargest = 1 << 30;
        if (!(e >= kSmallest && e < kLargest) || !(std::fabs(d) >= kSmallest) || !(std::fabs(p) < kLargest) ||
            !(std::fabs(c) < kLargest) || (s.grain && !(g > 2 * kGrainRamp)))
            return 0;
        double room;
        if (s.forward)
            room = ((s.looping ? s.loopEnd : s.length) - p) / d;
        else
            room = (p - (s.looping ? s.loopStart : 0.0)) / -d;
        double untilChange = (g - c) / e;  // the grain's end
        if (s.grain) {
            if (c <= kGrainRamp) {
                how = fadeIn;
                untilChange = (kGrainRamp - c) / e;
            } else if (c < g - kGrainRamp) {
                untilChange = (g - kGrainRamp - c) / e;
            } else {
                how = fadeOut;
            }
        }
        room = std::min(room, untilChange);
        if (!(room > 1.0)) return 0;
        return room - 1.0 >= limit ? limit : static_cast<int>(room - 1.0);
    }

    // One frame, lane by lane, moved as LayerStream::renderFrame<true> moves
    // it: through the stream's own steps.
    void planOneFrame(int n, double (*at)[kGroup], double (*fades)[kGroup]) {
        for (int k = 0; k < count; k++) {
            if (!playing[k]) continue;
            LayerStream& s = *stream[k];
            s.pos = pos[k];
            s.grainCounter = counter[k];
            s.grainFade = fade[k];
            if (!s.stayInSample()) {
                // The stream keeps the state it stopped in.
                planned[k] = n;
                stopLane(k);
                continue;
            }
            at[n][k] = s.pos;
            if (s.grain) {
                s.fadeGrain();
                fades[n][k] = s.grainFade;
            }
            s.pos += s.direction * s.steadyStep;
            s.grainCounter += s.steadyStep;
            s.endGrainIfDue();
            pos[k] = s.pos;
            counter[k] = s.grainCounter;
            fade[k] = s.grainFade;
        }
    }

    // The first pass over a span of `span` frames.
    [[gnu::always_inline]] void planSpan(int span, double (*at)[kGroup], double (*fades)[kGroup]) {
        for (int k = 0; k < kGroup; k++) planned[k] = 0;
        int n = 0;
        // Frames to take one by one before looking for a quiet run again:
        // doubled each time none is found, so that streams with an event
        // every few frames (tiny loops, steep pitch) do not pay for the
        // search at every frame.
        int checked = 1;
        while (n < span) {
            int quiet = span - n;
            Fade how[kGroup] = {fadeHolds, fadeHolds, fadeHolds, fadeHolds};
            for (int k = 0; k < count; k++) quiet = std::min(quiet, quietFrames(k, quiet, how[k]));
            if (quiet == 0) {
                for (const int end = std::min(span, n + checked); n < end; n++) planOneFrame(n, at, fades);
                checked = std::min(2 * checked, kSpan);
                continue;
            }
            checked = 1;
            const int end = n + quiet;
            Doubles p = pos, c = counter;
            const Doubles d = dirStep, e = step;
            if (!anyGrain) {
                for (; n < end; n++) {
                    *reinterpret_cast<Doubles*>(at[n]) = p;
                    p += d;
                    c += e;
                }
            } else {
                const bool fading = how[0] != fadeHolds || how[1] != fadeHolds || how[2] != fadeHolds ||
                                    how[3] != fadeHolds;
                Doubles f = fade;
                if (!fading) {
                    for (; n < end; n++) {
                        *reinterpret_cast<Doubles*>(at[n]) = p;
                        *reinterpret_cast<Doubles*>(fades[n]) = f;
                        p += d;
                        c += e;
                    }
                } else {
                    // Fades move frame by frame: the lanes whose fade moves
                    // divide their own counter, as renderFrame does.
                    for (; n < end; n++) {
                        *reinterpret_cast<Doubles*>(at[n]) = p;
                        for (int k = 0; k < count; k++) {
                            if (how[k] == fadeIn) f[k] = c[k] / kGrainRamp;
                            if (how[k] == fadeOut) f[k] = std::fabs(c[k] - period[k]) / kGrainRamp;
                        }
                        *reinterpret_cast<Doubles*>(fades[n]) = f;
                        p += d;
                        c += e;
                    }
                }
                fade = f;
            }
            pos = p;
            counter = c;
        }
    }

    bool anyPlaying() const { return playing[0] || playing[1] || playing[2] || playing[3]; }
};

// Up to four steady, audible streams that start at the same frame, span by
// span: the first pass moves all of them at once, then each stream's frames
// are mixed, in the streams' order.
VECTOR_CLONES void renderGroup(LayerStream* const* streams, int count, int frames) noexcept {
    GroupPlan plan;
    plan.take(streams, count);
    alignas(32) double at[kSpan][kGroup];
    alignas(32) double fades[kSpan][kGroup];
    for (int i = streams[0]->first; i < frames; i += kSpan) {
        const int span = std::min(kSpan, frames - i);
        bool wasPlaying[kGroup];
        for (int k = 0; k < kGroup; k++) wasPlaying[k] = plan.playing[k];
        plan.planSpan(span, at, fades);
        for (int k = 0; k < count; k++) {
            if (!wasPlaying[k]) continue;
            const int played = plan.playing[k] ? span : plan.planned[k];
            if (streams[k]->grain)
                playSpan<true>(*streams[k], i, played, &at[0][k], &fades[0][k]);
            else
                playSpan<false>(*streams[k], i, played, &at[0][k], &fades[0][k]);
        }
        if (!plan.anyPlaying()) break;
    }
    plan.give();
}

#undef splat
#undef addTo
#undef readPairs

// The stream is copied into a local for the loop, so that its fields can
// live in registers instead of being stored and reloaded every frame.
template <bool Steady>
void renderOneAs(LayerStream& a, int frames) {
    LayerStream s = a;
    for (int i = s.first; i < frames && s.renderFrame<Steady>(i); i++) {
    }
    a = s;
}

void renderLoaded(LayerStream& a, int frames) {
    if (a.steady)
        renderOneAs<true>(a, frames);
    else
        renderOneAs<false>(a, frames);
}

template <bool SteadyA, bool SteadyB>
void renderPairAs(LayerStream& a, LayerStream& b, int frames) {
    LayerStream x = a, y = b;
    bool xPlays = true, yPlays = true;
    int i = x.first;
    for (; i < frames && xPlays && yPlays; i++) {
        xPlays = x.renderFrame<SteadyA>(i);
        yPlays = y.renderFrame<SteadyB>(i);
    }
    for (int j = i; xPlays && !yPlays && j < frames && x.renderFrame<SteadyA>(j); j++) {
    }
    for (int j = i; yPlays && !xPlays && j < frames && y.renderFrame<SteadyB>(j); j++) {
    }
    a = x;
    b = y;
}

// Renders two loaded streams that start at the same frame side by side.
// Each frame still gets the first stream's sound before the second's,
// exactly as one after the other would add it, while the two streams'
// independent arithmetic overlaps.
void renderPair(LayerStream& a, LayerStream& b, int frames) {
    if (a.steady && b.steady)
        renderPairAs<true, true>(a, b, frames);
    else if (a.steady)
        renderPairAs<true, false>(a, b, frames);
    else if (b.steady)
        renderPairAs<false, true>(a, b, frames);
    else
        renderPairAs<false, false>(a, b, frames);
}

// Steady, audible streams waiting to render as a group, in order.
struct Group {
    LayerStream* streams[kGroup];
    int count = 0;

    bool takes(const LayerStream& s) const {
        return fitsGroup(s) && (count == 0 || s.first == streams[0]->first);
    }
    void render(int frames) {
        if (count > 0) renderGroup(streams, count, frames);
        count = 0;
    }
};

}  // namespace

void renderStreams(LayerStream* streams, int count, int frames) noexcept {
    for (int n = 0; n < count; n++) streams[n].load();
    Group group;
    for (int n = 0; n < count; n++) {
        LayerStream& a = streams[n];
        if (addsNothing(a)) {
            renderLoaded(a, frames);
            continue;
        }
        if (!group.takes(a)) group.render(frames);
        if (group.takes(a)) {
            group.streams[group.count++] = &a;
            if (group.count == kGroup) group.render(frames);
            continue;
        }
        // A stream whose envelopes move renders frame by frame, beside the
        // next one when that one moves too.
        LayerStream* next = n + 1 < count ? &streams[n + 1] : nullptr;
        if (next && !fitsGroup(*next) && !addsNothing(*next) && next->first == a.first) {
            renderPair(a, *next, frames);
            n++;
        } else {
            renderLoaded(a, frames);
        }
    }
    group.render(frames);
    for (int n = 0; n < count; n++) streams[n].store();
}
