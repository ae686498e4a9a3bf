// A stored preset: how to rebuild each instrument of the rack, the delay
// values, and the four master values, which live only here.
#pragma once

#include <array>
#include <string>

#include "programs/relaxed_float.h"

struct InstrumentProgram {
    static constexpr int kValues = 22;

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
    static constexpr int kValues = 8;
    // time, feedback, volume, spread, active, sync, pingpong, the eighth
    static constexpr std::array<float, kValues> kInitialValues{0.625f, 0.2f, 0.3f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};

    std::array<float, kValues> values = kInitialValues;

    void setParameter(int index, float value) {
        if (index >= 0 && index < kValues) values[index] = value;
    }
};

struct Program {
    static constexpr int kMaxInstruments = 16;

    // Master volume, master tune, velocity sensitivity, pitch-bend range.
    static constexpr std::array<float, 4> kInitialMasters{1.0f, 0.5f, 1.0f, 0.5f};

    int instrumentCount = 0;
    std::string name = "Default";
    // Read by the audio thread while the host may set them.
    RelaxedFloat velocitySensitivity = kInitialMasters[2];  // parameter 578
    RelaxedFloat masterVolume = kInitialMasters[0];         // parameter 576
    RelaxedFloat masterTune = kInitialMasters[1];           // parameter 577
    RelaxedFloat pitchBendRange = kInitialMasters[3];       // parameter 579
    std::array<InstrumentProgram, kMaxInstruments> instruments;
    DelayProgram delay;
};
