// A stored preset: its name and the four master values that live only here.
#pragma once

#include <string>

struct Program {
    int instrumentCount = 0;
    std::string name = "Default";
    float velocitySensitivity = 1.0f;  // parameter 578
    float masterVolume = 1.0f;         // parameter 576
    float masterTune = 0.5f;           // parameter 577
    float pitchBendRange = 0.5f;       // parameter 579
};
