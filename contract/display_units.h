// What a parameter's value shows as: the unit the editor program writes
// beside a control while it moves. The host is shown no unit and no text
// (getParameterLabel and getParameterDisplay answer empty): its own
// generic 0 to 1 display stays the one it shows.
#pragma once

enum class Unit {
    decibels,        // the value is a gain: 20 log10(value) dB
    pan,             // L 50 .. C .. R 50
    semitones,       // signed: round(value * steps) + offset, st
    bendRange,       // unsigned: round(value * steps) st
    cents,           // signed: round(value * steps) + offset, ct
    seconds,         // from secondsAtZero to secondsAtOne, linear
    percent,
    onOff,
    pitchDepth,      // semitones, two octaves up at 1 and one down at 0
    grainFrames,     // frames a grain advances, a share of the grain length
    beatsOrSeconds,  // the delay's time: a note value while synced, else 0 to 1 s
};

struct DisplayUnit {
    Unit unit;
    float secondsAtZero = 0.0f;  // for Unit::seconds
    float secondsAtOne = 0.0f;
};
