// The dispatcher: which way each stream of a block renders. Every way gives
// the reference's bits (reference_render.h); the fast ones take several
// streams at a time between events (stream_events.h).
#include "dsp/layer_stream.h"

#include "dsp/reference_render.h"
#include "dsp/stream_events.h"
#include "dsp/stream_groups.h"

namespace {

// A stream with a per-frame stage that the fast paths do not reproduce
// (say, a filter of its own, or a crossfaded loop) returns true here, and
// renders by the reference alone, with the stage added there. Builds with
// QUAXEL2_REFERENCE_RENDER send every stream there.
bool needsReference(const LayerStream&) {
#ifdef QUAXEL2_REFERENCE_RENDER
    return true;
#else
    return false;
#endif
}

// Streams that add nothing to any mix or meter: silenced ones, and those
// already past the end of a sample without a loop (they only reset their
// envelopes). They may render at any point without changing any sum.
bool addsNothing(const LayerStream& s) {
    return s.silenced || (!s.looping && (s.forward ? s.pos >= s.length : s.pos <= 0.0));
}

// Streams with an event every few frames would hold a whole group to the
// frame-by-frame steps: they render alone, frame by frame.
bool eventful(const LayerStream& s) {
    constexpr double kFewFrames = 64.0;
    return eventsRecurWithin(s, kFewFrames);
}

// Frame by frame: by the reference, or, for a steady stream, by its
// shortcut that skips the envelope steps (the same bits).
void renderAlone(LayerStream& s, int frames) {
    if (s.steady)
        reference::renderFrames<true>(s, frames);
    else
        renderByReference(s, frames);
}

// Audible streams waiting to render as a group, in order: as a steady
// group when none of them has an envelope that moves.
struct Group {
    LayerStream* streams[kMovingGroupLanes];
    int count = 0;
    bool moving = false;

    bool takes(const LayerStream& s) const { return count == 0 || s.first == streams[0]->first; }
    void add(LayerStream& s) {
        streams[count++] = &s;
        moving = moving || !s.steady;
    }
    bool full() const { return count == kMovingGroupLanes; }
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
        if (needsReference(s)) {
            group.render(frames);
            renderByReference(s, frames);
            continue;
        }
        // Streams that add nothing may render at any point.
        if (addsNothing(s)) {
            renderAlone(s, frames);
            continue;
        }
        if (eventful(s)) {
            group.render(frames);
            renderAlone(s, frames);
            continue;
        }
        if (!group.takes(s)) group.render(frames);
        group.add(s);
        if (group.full()) group.render(frames);
    }
    group.render(frames);
    for (int n = 0; n < count; n++) streams[n].store();
}
