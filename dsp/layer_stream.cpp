#include "dsp/layer_stream.h"

#include <algorithm>
#include <cmath>

#include "dsp/stream_groups.h"

namespace {

// Streams that add nothing to any mix or meter: silenced ones, and those
// already past the end of a sample without a loop (they only reset their
// envelopes). They may render at any point without changing any sum.
bool addsNothing(const LayerStream& s) {
    return s.silenced || (!s.looping && (s.forward ? s.pos >= s.length : s.pos <= 0.0));
}

// Streams with an event every few frames (a loop or a grain that comes
// round within a few dozen frames, fades that overlap, a step too small or
// a position too large to plan with) would hold a whole group to the
// frame-by-frame steps: they render alone, frame by frame.
bool eventful(const LayerStream& s) {
    constexpr double kFewFrames = 64.0;
    const double step = s.steadyStep;
    if (!(step >= kSmallestStep && step < kLargestPosition) || !(std::fabs(s.pos) < kLargestPosition) ||
        !(std::fabs(s.grainCounter) < kLargestPosition))
        return true;
    if (s.looping && !(s.loopEnd - s.loopStart > kFewFrames * step)) return true;
    return !(s.grainPeriod > kFewFrames * step) || (s.grain && !(s.grainPeriod > 2 * kGrainRamp));
}

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

// Audible streams waiting to render as a group, in order: as a steady
// group when none of them has an envelope that moves.
struct Group {
    LayerStream* streams[kGroupLanes];
    int count = 0;
    bool moving = false;

    bool takes(const LayerStream& s) const { return count == 0 || s.first == streams[0]->first; }
    void add(LayerStream& s) {
        streams[count++] = &s;
        moving = moving || !s.steady;
    }
    bool full() const { return count == kGroupLanes; }
    void render(int frames) {
        if (count == 0)
            return;
        if (moving)
            renderMovingGroup(streams, count, frames);
        else
            renderSteadyGroup(streams, count, frames);
        count = 0;
        moving = false;
    }
};

}  // namespace

void renderStreams(LayerStream* streams, int count, int frames) noexcept {
    for (int n = 0; n < count; n++) streams[n].load();
    Group group;
    for (int n = 0; n < count; n++) {
        LayerStream& s = streams[n];
        // Streams that add nothing may render at any point.
        if (addsNothing(s)) {
            renderLoaded(s, frames);
            continue;
        }
        if (eventful(s)) {
            group.render(frames);
            renderLoaded(s, frames);
            continue;
        }
        if (!group.takes(s)) group.render(frames);
        group.add(s);
        if (group.full()) group.render(frames);
    }
    group.render(frames);
    for (int n = 0; n < count; n++) streams[n].store();
}
