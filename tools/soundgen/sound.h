// A built-in sound in time: patches placed at frames, each faded in and out
// and freed of DC on its own, mixed and scaled to a common peak.
#pragma once

#include <cstdint>
#include <vector>

#include "patch.h"
#include "synth.h"

namespace soundgen {

// How a sound's tuning shows, for the checks: Periodic sounds repeat with
// the root's period (or an octave of it); LowestPartial sounds (chords,
// bells) have the root, or an octave of it, as their lowest strong partial;
// Unpitched sounds (speech, noise) have no pitch to check.
enum class Tuning { Periodic, LowestPartial, Unpitched };

struct Event {
    Patch patch;
    int start = 0;         // frame
    int length = 0;        // frames; 0 runs to the end of the sound
    double gain = 1;
    double transpose = 0;  // semitones
    double fadeInMs = 3;
    double fadeOutMs = 30; // 0: no fade, the sound runs into a loop
    double darkenHz = 0;   // a gentle low-pass over the event, for echoes

    Event at(int frame, int frames = 0) const { Event e = *this; e.start = frame; e.length = frames; return e; }
    Event times(double g) const { Event e = *this; e.gain = g; return e; }
    Event up(double semitones) const { Event e = *this; e.transpose = semitones; return e; }
    Event fades(double inMs, double outMs) const { Event e = *this; e.fadeInMs = inMs; e.fadeOutMs = outMs; return e; }
    Event darker(double hz) const { Event e = *this; e.darkenHz = hz; return e; }
};

struct Recipe {
    Tuning tuning = Tuning::Periodic;
    std::vector<Event> events;
    double peak = 0.89;
    // A sound meant to be held ends in a loop of about this length (see
    // renderPatch): its last event runs to the end without fading out. That
    // event stays clean when played up to two octaves above the root.
    double loopSeconds = 0;
    static constexpr double kHeldCleanOctaves = 2;

    Recipe held(double seconds) const { Recipe r = *this; r.loopSeconds = seconds; return r; }
};

// A held sound's loop: a voice plays frames start to end - 1 again and
// again (end is the last frame). {0, 0} for a sound without one. Its
// length lies within a tenth of the recipe's, where the root's frequency
// comes nearest to whole cycles, so that the loop barely moves its pitch.
struct SustainLoop {
    int start = 0, end = 0;
};
SustainLoop sustainLoop(const Recipe& recipe, int frames, int sampleRate, double rootNote);

// The common case: one patch for the whole sound.
Event play(Patch patch, double fadeOutMs = 30);
Recipe tone(Event e);                 // Periodic
Recipe lowest(Event e);             // LowestPartial
Recipe unpitched(Event e);
Recipe sequence(Tuning t, std::vector<Event> events);

// Whether any event speaks words (patch.h: Speech): the speech synthesiser
// makes those, and a new version of it may change them.
bool speaks(const Recipe& recipe);

Channels renderRecipe(const Recipe& recipe, int frames, int channels, int sampleRate, double rootNote,
                      std::uint64_t seed);

}  // namespace soundgen
