// The parameters of an instrument, of the delay and the master values:
// the names the host sees, the display hints the shared records carry
// (steps, offset, mark), what each value shows as, and the value a new
// instrument or a new delay starts with. The one table of each; the reset,
// the factory bank's source, the shared records and the editor program's
// controls all take theirs from here.
#pragma once

#include "contract/display_units.h"
#include "contract/parameter_map.h"

struct InstrumentParameterInfo {
    const char* name;
    int steps;
    int offset;
    int mark;
    float value;  // a new instrument's, which the reset gives back
    DisplayUnit unit;
};

// Parameter 21, the grain advance, has the hints and name every parameter
// starts with.
inline constexpr InstrumentParameterInfo kInstrumentParameters[parameter_map::kPerInstrument] = {
    {"volume", 99, 0, 99, 1.0f, {Unit::decibels}},
    {"pan", 100, -50, 0, 0.5f, {Unit::pan}},
    {"tune", 48, -24, 0, 0.5f, {Unit::semitones}},
    {"finetune", 200, -100, 0, 0.5f, {Unit::cents}},
    {"showwave", 1, 0, 0, 0.0f, {Unit::onOff}},
    {"loop", 1, 0, 0, 0.0f, {Unit::onOff}},
    {"global", 1, 0, 0, 1.0f, {Unit::onOff}},
    {"voleg", 1, 0, 0, 0.0f, {Unit::onOff}},
    {"piteg", 1, 0, 0, 0.0f, {Unit::onOff}},
    {"special", 1, 0, 0, 0.0f, {Unit::onOff}},
    {"vol A", 100, 0, 0, 0.0f, {Unit::seconds, 0.0f, 1.5f}},
    {"vol D", 100, 0, 0, 0.0f, {Unit::seconds, 0.0f, 4.0f}},
    {"vol S", 100, 100, 100, 1.0f, {Unit::percent}},
    {"vol R", 100, 0, 0, 0.0f, {Unit::seconds, 0.25f, 4.0f}},
    {"pitch A", 100, 0, 0, 0.0f, {Unit::seconds, 0.0f, 2.0f}},
    {"pitch D", 100, 0, 0, 0.0f, {Unit::seconds, 0.0f, 8.0f}},
    {"pitch R", 100, 0, 0, 0.0f, {Unit::seconds, 0.0f, 4.0f}},
    {"pitch EG", 100, 0, 50, 0.5f, {Unit::pitchDepth}},
    {"reverse", 1, 0, 0, 0.0f, {Unit::onOff}},
    {"interpolate", 1, 0, 0, 0.0f, {Unit::onOff}},
    {"grain", 1, 0, 0, 0.0f, {Unit::onOff}},
    {"default", 100, 0, 0, 0.82f, {Unit::grainFrames}},
};

struct DelayParameterInfo {
    const char* name;
    int steps;  // the time's while synced
    int mark;
    float value;  // as the delay is constructed
    DisplayUnit unit;
};

// Offsets are 0. The eighth parameter has the hints, name and value every
// parameter starts with, which the delay leaves as they are.
inline constexpr DelayParameterInfo kDelayParameters[parameter_map::kDelayCount] = {
    {"time", 8, 5, 0.625f, {Unit::beatsOrSeconds}},
    {"feedback", 100, 15, 0.0f, {Unit::percent}},
    {"volume", 100, 25, 0.5f, {Unit::percent}},
    {"spread", 100, 0, 0.0f, {Unit::percent}},
    {"active", 1, 0, 0.0f, {Unit::onOff}},
    {"sync", 1, 0, 1.0f, {Unit::onOff}},
    {"pingpong", 1, 0, 0.0f, {Unit::onOff}},
    {"default", 100, 0, 0.0f, {Unit::percent}},
};
// The time's steps while not synced: fractions of a second.
inline constexpr int kDelayUnsyncedTimeSteps = 100;

struct MasterValueInfo {
    const char* name;  // as the host sees it
    int steps;
    int offset;
    DisplayUnit unit;
};

inline constexpr MasterValueInfo kMasterValues[parameter_map::kMasterCount] = {
    {"Master Vol", 100, 0, {Unit::decibels}},
    {"Master Tun", 48, -24, {Unit::semitones}},
    {"Vel. Sens.", 100, 0, {Unit::percent}},
    {"pb range", 24, 0, {Unit::bendRange}},
};
