// The 22 parameters of an instrument: names, the display hints the editor
// program reads (steps, offset, mark) and the value a new instrument has.
// The one table of these; the reset, the factory bank's source and the
// shared records all take theirs from here.
#pragma once

struct InstrumentParameterInfo {
    const char* name;
    int steps;
    int offset;
    int mark;
    float value;
};

inline constexpr int kInstrumentParameterCount = 22;

// Parameter 21, the grain advance, has the hints and name every parameter
// starts with.
inline constexpr InstrumentParameterInfo kInstrumentParameters[kInstrumentParameterCount] = {
    {"volume", 99, 0, 99, 1.0f},      {"pan", 100, -50, 0, 0.5f},     {"tune", 48, -24, 0, 0.5f},
    {"finetune", 200, -100, 0, 0.5f}, {"showwave", 1, 0, 0, 0.0f},    {"loop", 1, 0, 0, 0.0f},
    {"global", 1, 0, 0, 1.0f},        {"voleg", 1, 0, 0, 0.0f},       {"piteg", 1, 0, 0, 0.0f},
    {"special", 1, 0, 0, 0.0f},       {"vol A", 100, 0, 0, 0.0f},     {"vol D", 100, 0, 0, 0.0f},
    {"vol S", 100, 100, 100, 1.0f},   {"vol R", 100, 0, 0, 0.0f},     {"pitch A", 100, 0, 0, 0.0f},
    {"pitch D", 100, 0, 0, 0.0f},     {"pitch R", 100, 0, 0, 0.0f},   {"pitch EG", 100, 0, 50, 0.5f},
    {"reverse", 1, 0, 0, 0.0f},       {"interpolate", 1, 0, 0, 0.0f}, {"grain", 1, 0, 0, 0.0f},
    {"default", 100, 0, 0, 0.82f},
};
