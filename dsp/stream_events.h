// What an event is, for every render path. An event is a frame at which a
// step of the reference (reference_render.h) does more than add a step to
// the position and the grain counter: the position wraps round the loop or
// leaves the sample (stayInSample), a grain's fade starts, turns or stops
// (fadeGrain), a grain ends (endGrainIfDue), or an envelope's stage ends
// (ADSR::step). Between events, frames form a run that a fast path may
// take several streams at a time; at an event it goes through the
// reference's own steps. The dispatcher (layer_stream.cpp), the steady
// groups and the moving groups ask these functions where events lie.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

#include "dsp/reference_render.h"

// Steps this small, or positions this large, could be moved by rounding
// more than a frame's margin: runs of frames are not planned ahead for them.
inline constexpr double kSmallestStep = 1e-3;
inline constexpr double kLargestPosition = 1 << 30;

// Where the position wraps or leaves the sample: at or above `above`
// playing forward, at or below `below` in reverse (the other is endless).
struct SampleEdges {
    double above, below;
};

inline SampleEdges sampleEdges(const LayerStream& s) {
    constexpr double kEndless = std::numeric_limits<double>::infinity();
    if (s.forward) return {s.looping ? static_cast<double>(s.loopEnd) : s.length, -kEndless};
    return {kEndless, s.looping ? static_cast<double>(s.loopStart) : 0.0};
}

// A step and a position and grain counter that runs can be planned with.
inline bool plannable(double step, double pos, double grainCounter) {
    return step >= kSmallestStep && step < kLargestPosition && std::fabs(pos) < kLargestPosition &&
           std::fabs(grainCounter) < kLargestPosition;
}

// A grain too short for its two fades to lie apart: its fade turns at every
// frame.
inline bool fadesOverlap(const LayerStream& s) { return s.grain && !(s.grainPeriod > 2 * kGrainRamp); }

// A stream whose events come round within `frames` frames at its current
// step (a short loop, a short grain, fades that overlap), or that cannot be
// planned at all.
inline bool eventsRecurWithin(const LayerStream& s, double frames) {
    const double step = s.steadyStep;
    if (!plannable(step, s.pos, s.grainCounter)) return true;
    if (s.looping && !(s.loopEnd - s.loopStart > frames * step)) return true;
    return !(s.grainPeriod > frames * step) || fadesOverlap(s);
}

// How a steady stream's grain fade moves until its next event.
enum class FadeMove { holds, in, out };

// Frames from position `pos` and grain counter `counter` on, for a steady
// stream moving `dirStep` and `step` a frame, that surely hold no event,
// at most `limit`, and how its fade moves meanwhile. One frame less than
// the arithmetic says, against rounding; 0 near an event and when the
// numbers are out of the ordinary. (A steady stream's envelopes hold: they
// have no stage to end.)
inline int quietFrames(const LayerStream& s, double pos, double counter, double dirStep, double step, int limit,
                       FadeMove& how) {
    how = FadeMove::holds;
    const double period = s.grainPeriod;
    if (!plannable(step, pos, counter) || !(std::fabs(dirStep) >= kSmallestStep) || fadesOverlap(s)) return 0;
    const SampleEdges edges = sampleEdges(s);
    double room = s.forward ? (edges.above - pos) / dirStep : (pos - edges.below) / -dirStep;
    double untilChange = (period - counter) / step;  // the grain's end
    if (s.grain) {
        if (counter <= kGrainRamp) {
            how = FadeMove::in;
            untilChange = (kGrainRamp - counter) / step;
        } else if (counter < period - kGrainRamp) {
            untilChange = (period - kGrainRamp - counter) / step;
        } else {
            how = FadeMove::out;
        }
    }
    room = std::min(room, untilChange);
    if (!(room > 1.0)) return 0;
    return room - 1.0 >= limit ? limit : static_cast<int>(room - 1.0);
}

// An envelope's current stage as one step computes it: output x coef + base,
// the stage ending where the result reaches `rise` from below or `fall` from
// above, as ADSR::step has it. An envelope that holds (idle or sustaining)
// does not move and has no end.
struct EnvelopeStage {
    float coef = 1.0f, base = 0.0f;
    float rise = std::numeric_limits<float>::infinity();
    float fall = -std::numeric_limits<float>::infinity();
    bool moves = true;
};

inline EnvelopeStage stageOf(const ADSR& envelope) {
    EnvelopeStage stage;
    switch (envelope.state) {
        case ADSR::envAttack:
            stage.coef = envelope.attackCoef;
            stage.base = envelope.attackBase;
            stage.rise = 1.0f;
            break;
        case ADSR::envDecay:
            stage.coef = envelope.decayCoef;
            stage.base = envelope.decayBase;
            stage.fall = envelope.sustainLevel;
            break;
        case ADSR::envRelease:
            stage.coef = envelope.releaseCoef;
            stage.base = envelope.releaseBase;
            stage.fall = 0.0f;
            break;
        default:
            stage.moves = false;
            break;
    }
    return stage;
}
