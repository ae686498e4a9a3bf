// The fast paths. Audible streams that start at the same frame render in
// groups, span by span, in two passes: the first moves every stream of the
// group frame by frame through the reference's steps up to the mixing
// (stayInSample, the envelope steps, fadeGrain, moveOn, endGrainIfDue: see
// reference_render.h), or through arithmetic that gives their results to
// the last bit between events (stream_events.h), and notes where each frame
// reads and with what gain; the second does the reference's mixFrame, that
// is reads, interpolates and mixes each stream's frames several at a time,
// in the streams' order, so that every mix and meter frame receives the
// same additions in the same order.
//
// A new per-frame stage (a per-layer filter, a crossfaded loop) goes into
// the reference; until the groups reproduce it, the dispatcher's
// needsReference (layer_stream.cpp) sends the streams that have it there.
//
// Only what the render files share lives here: the vector types, the
// second pass, and the loop over the spans.
#pragma once

#include <algorithm>
#include <cmath>

#include "dsp/reference_render.h"

// Streams per group. Steady streams (envelopes idle or sustaining) render
// four at a time, with no per-frame test between events (steady_group.cpp);
// a group in which an envelope moves steps its envelopes in the lanes of
// vectors, eight at a time (moving_group.cpp). The dispatcher gathers up to
// eight streams of either kind; steady ones are then split into fours.
inline constexpr int kSteadyGroupLanes = 4;
inline constexpr int kMovingGroupLanes = 8;
void renderSteadyGroup(LayerStream* const* streams, int count, int frames) noexcept;
void renderMovingGroup(LayerStream* const* streams, int count, int frames) noexcept;

namespace stream_vectors {

// Four doubles (two SSE registers, or one AVX register where the CPU has
// it): the same operations either way, so the same bits.
typedef double Doubles __attribute__((vector_size(32)));
typedef float Floats __attribute__((vector_size(16)));
typedef int Ints __attribute__((vector_size(16)));
typedef double UnalignedDoubles __attribute__((vector_size(32), aligned(8)));

// (Macros rather than functions: a function taking or returning these
// vectors would be called differently in each of the renderer's clones.)
#define splat(x) (Doubles{(x), (x), (x), (x)})
// Four floats anywhere in a float buffer (a vector of floats may stand for
// floats without breaking the aliasing rules, unlike memcpy's bytes, which
// would make the compiler reload every pointer after each store).
typedef float UnalignedFloats __attribute__((vector_size(16), aligned(4)));
#define addTo(destination, values) (*reinterpret_cast<UnalignedFloats*>(destination) += (values))

// Four floats or ints as four doubles. Built element by element: GCC makes
// that one conversion of four, where __builtin_convertvector takes two of two.
#define widen(v)                                                                     \
    (Doubles{static_cast<double>((v)[0]), static_cast<double>((v)[1]), static_cast<double>((v)[2]), \
             static_cast<double>((v)[3])})

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

// Second pass of one stream: frames [first, first + count) from their read
// positions, four at a time. Frame n reads at at[n * Stride], with the gain
// gains[n * Stride] when `Given`, else with the stream's steady gain.
// `Whole` streams interpolate fully (interp 1): their product with interp
// is left out, since x * 1.0 is x to the last bit for every x that reaches
// it (a difference of floats, widened, is never a signalling NaN).
template <bool Given, int Stride, bool Whole>
[[gnu::always_inline]] inline void playSpanAs(const LayerStream& s, int first, int count, const double* at,
                                            const double* gains) {
    const int length = s.length;
    const float* left = s.left;
    const float* right = s.right;
    float* mixLeft = s.mixLeft + first;
    float* mixRight = s.mixRight + first;
    float* meterLeft = s.meterLeft + first;
    const Doubles interp = splat(s.interp);
    const Doubles gainLeft = splat(s.gainLeft);
    const Doubles gainRight = splat(s.gainRight);
    // A steady gain is fixed, and so are its products with the pans (the
    // products the reference's mixFrame computes, frame after frame).
    const Doubles steadyLeft = splat(s.steadyGain) * gainLeft;
    const Doubles steadyRight = splat(s.steadyGain) * gainRight;
    const bool mono = right == left;
    // A mono stream panned to the centre gives both sides the same sound.
    const bool twin = mono && s.gainLeft == s.gainRight && std::signbit(s.gainLeft) == std::signbit(s.gainRight);
    int n = 0;
    for (; n + 4 <= count; n += 4) {
        const Doubles position = Stride == 1 ? *reinterpret_cast<const UnalignedDoubles*>(at + n)
                                             : Doubles{at[n * Stride], at[(n + 1) * Stride], at[(n + 2) * Stride],
                                                       at[(n + 3) * Stride]};
        const Ints j = __builtin_convertvector(position, Ints);
        // Frames outside the sample read its guard frame: the rare case goes
        // frame by frame.
        if (static_cast<unsigned>(j[0]) >= static_cast<unsigned>(length) ||
            static_cast<unsigned>(j[1]) >= static_cast<unsigned>(length) ||
            static_cast<unsigned>(j[2]) >= static_cast<unsigned>(length) ||
            static_cast<unsigned>(j[3]) >= static_cast<unsigned>(length)) {
            for (int k = n; k < n + 4; k++)
                reference::mixFrame(s, first + k, at[k * Stride], Given ? gains[k * Stride] : s.steadyGain);
            continue;
        }
        const Doubles frac = position - widen(j);
        Floats l0, l1;
        readPairs(left, j, l0, l1);
        Doubles rise = widen(l1 - l0) * frac;
        if (!Whole) rise *= interp;
        const Doubles s0 = widen(l0) + rise;
        Doubles s1 = s0;
        if (!mono) {
            Floats r0, r1;
            readPairs(right, j, r0, r1);
            rise = widen(r1 - r0) * frac;
            if (!Whole) rise *= interp;
            s1 = widen(r0) + rise;
        }
        Doubles toLeft = steadyLeft, toRight = steadyRight;
        if (Given) {
            const Doubles g = Stride == 1 ? *reinterpret_cast<const UnalignedDoubles*>(gains + n)
                                          : Doubles{gains[n * Stride], gains[(n + 1) * Stride],
                                                    gains[(n + 2) * Stride], gains[(n + 3) * Stride]};
            toLeft = g * gainLeft;
            toRight = g * gainRight;
        }
        const Floats outLeft = __builtin_convertvector(toLeft * s0, Floats);
        const Floats outRight = twin ? outLeft : __builtin_convertvector(toRight * s1, Floats);
        addTo(mixLeft + n, outLeft);
        addTo(mixRight + n, outRight);
        addTo(meterLeft + n, outLeft);
    }
    for (; n < count; n++)
        reference::mixFrame(s, first + n, at[n * Stride], Given ? gains[n * Stride] : s.steadyGain);
}

template <bool Given, int Stride>
[[gnu::always_inline]] inline void playSpan(const LayerStream& s, int first, int count, const double* at,
                                            const double* gains) {
    if (s.interp == 1.0)
        playSpanAs<Given, Stride, true>(s, first, count, at, gains);
    else
        playSpanAs<Given, Stride, false>(s, first, count, at, gains);
}

// Renders a group span by span: the plan's first pass moves all its lanes
// over the span, then each stream's frames are mixed, in the streams' order
// (a stream that stopped in the span mixes the frames it played).
template <int Span, typename Plan, typename Rows>
[[gnu::always_inline]] inline void renderInSpans(Plan& plan, LayerStream* const* streams, int count, int frames,
                                                 Rows at, Rows gains) {
    plan.take(streams, count);
    for (int i = streams[0]->first; i < frames; i += Span) {
        const int span = std::min(Span, frames - i);
        bool wasPlaying[kMovingGroupLanes];
        for (int k = 0; k < count; k++) wasPlaying[k] = plan.playing[k];
        plan.planSpan(span, at, gains);
        for (int k = 0; k < count; k++)
            if (wasPlaying[k]) plan.play(k, i, plan.playing[k] ? span : plan.planned[k], at, gains);
        if (!plan.anyPlaying()) break;
    }
    plan.give();
}

}  // namespace stream_vectors
