// The values parameters take, named for where each applies. They differ
// from place to place, and each is what the sound and the stored programs
// have always had there. A new instrument and the delay as constructed
// take the `value` column of contract/parameter_tables.h.
#pragma once

#include <array>

#include "contract/parameter_map.h"
#include "contract/parameter_tables.h"

namespace defaults {

// The plug-in at its start sets these of the delay, before the factory bank
// gives every program its own.
struct DelaySetting {
    parameter_map::delay::Number parameter;
    float value;
};
inline constexpr DelaySetting kDelayAtPluginStart[] = {
    {parameter_map::delay::kTime, 0.625f},
    {parameter_map::delay::kFeedback, 0.25f},
    {parameter_map::delay::kVolume, 0.41f},
};

// A new program, before anything is stored in it.
inline constexpr std::array<float, parameter_map::kDelayCount> kNewProgramDelay{0.625f, 0.2f, 0.3f, 0.0f,
                                                                                     0.0f,   1.0f, 0.0f, 0.0f};
inline constexpr std::array<float, parameter_map::kMasterCount> kNewProgramMasters{1.0f, 0.5f, 1.0f, 0.5f};

// Where a double-click in the editor program returns a control: a new
// program's value where a new program has one (the delay, the master
// values), else a new instrument's, which is also what the reset gives.
constexpr float instrumentDoubleClick(int parameter) { return kInstrumentParameters[parameter].value; }
constexpr float delayDoubleClick(int parameter) { return kNewProgramDelay[parameter]; }
constexpr float masterDoubleClick(int which) { return kNewProgramMasters[which]; }

}  // namespace defaults
