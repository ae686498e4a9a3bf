// Pitch as a playback-rate ratio: the process-wide semitone and cent tables,
// the master-tune lookup and the semitone-stepping rule used for notes.
#pragma once

#include "host/export.h"

// The one semitone factor of the system (twelve decimals, deliberately not
// the exact twelfth root of two); notes, root notes and the table step by it.
constexpr double SEMITONE_STEP = 1.059463094359;

constexpr int kSemitonesTabSize = 49;  // -24..+24 semitones, entry 24 is 1.0
constexpr int kCentsTabSize = 201;     // -100..+100 cents, entry 100 is 1.0

// Exported with C names; zero until makeFrequencyTab() runs, read-only after.
extern "C" QX_EXPORT float semitonesTab[kSemitonesTabSize];
extern "C" QX_EXPORT float centsTab[kCentsTabSize];

// Fills both tables, once per process; later calls do nothing.
void makeFrequencyTab();

// Ratio for a normalised master-tune value: semitonesTab at the step that x
// plays of 48 (playedStep), 0..48. NaN gives index 24 (no transposition).
float paramToPitch(float x);

// Ratio for k semitones: 1.0 multiplied by SEMITONE_STEP k times (k > 0) or
// divided by it -k times (k < 0), in double.
double semitoneRatio(int k);
