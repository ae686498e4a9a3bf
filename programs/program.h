// A stored preset: how to rebuild each instrument of the rack, the delay
// values, and the four master values, which live only here.
#pragma once

#include <array>
#include <string>

#include "contract/defaults.h"
#include "contract/parameter_map.h"
#include "programs/relaxed_float.h"

struct InstrumentProgram {
    static constexpr int kValues = parameter_map::kPerInstrument;

    std::array<float, kValues> values{};
    std::string name;
    std::string path;
    int type = 0;  // 0 and 1: from the catalogue by name; 2: from path
    int startPlay = 0;
    int loopStart = 0;
    int loopEnd = 0;
    int midiChannel = -1;

    void setParameter(int index, float value) {
        if (index >= 0 && index < kValues) values[index] = value;
    }
};

struct DelayProgram {
    static constexpr int kValues = parameter_map::kDelayCount;
    // time, feedback, volume, spread, active, sync, pingpong, the eighth
    static constexpr std::array<float, kValues> kInitialValues = defaults::kNewProgramDelay;

    std::array<float, kValues> values = kInitialValues;

    void setParameter(int index, float value) {
        if (index >= 0 && index < kValues) values[index] = value;
    }
};

struct Program {
    static constexpr int kMaxInstruments = parameter_map::kInstruments;

    // Master volume, master tune, velocity sensitivity, pitch-bend range.
    static constexpr std::array<float, parameter_map::kMasterCount> kInitialMasters = defaults::kNewProgramMasters;

    int instrumentCount = 0;
    std::string name = "Default";
    // Read by the audio thread while the host may set them.
    RelaxedFloat velocitySensitivity = kInitialMasters[parameter_map::master::kVelocitySensitivity];
    RelaxedFloat masterVolume = kInitialMasters[parameter_map::master::kVolume];
    RelaxedFloat masterTune = kInitialMasters[parameter_map::master::kTune];
    RelaxedFloat pitchBendRange = kInitialMasters[parameter_map::master::kPitchBendRange];
    std::array<InstrumentProgram, kMaxInstruments> instruments;
    DelayProgram delay;
};
