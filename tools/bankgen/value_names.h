// The names factory_bank.txt gives the values of a program, in record order,
// with the value each one has when a line does not mention it.
#pragma once

#include <array>
#include <string_view>

namespace bankgen {

struct NamedValue {
    std::string_view name;
    double initial;
};

// The instrument's 22 parameters, named as the plug-in names them, except
// the last, which the plug-in leaves unnamed.
inline constexpr std::array<NamedValue, 22> kInstrumentValues{{
    {"volume", 1.0},   {"pan", 0.5},      {"tune", 0.5},       {"finetune", 0.5},    {"showwave", 0.0},
    {"loop", 0.0},     {"global", 1.0},   {"voleg", 0.0},      {"piteg", 0.0},       {"special", 0.0},
    {"vol A", 0.0},    {"vol D", 0.0},    {"vol S", 1.0},      {"vol R", 0.0},       {"pitch A", 0.0},
    {"pitch D", 0.0},  {"pitch R", 0.0},  {"pitch EG", 0.5},   {"reverse", 0.0},     {"interpolate", 0.0},
    {"grain", 0.0},    {"grain advance", 0.82},
}};

inline constexpr int kTune = 2;
inline constexpr int kFinetune = 3;
inline constexpr int kLoop = 5;

// The delay's 8 values; the last one is stored and never used.
inline constexpr std::array<NamedValue, 8> kDelayValues{{
    {"time", 0.625}, {"feedback", 0.2}, {"volume", 0.3},   {"spread", 0.0},
    {"active", 0.0}, {"sync", 1.0},     {"pingpong", 0.0}, {"reserved", 0.0},
}};

inline constexpr int kDelaySpread = 3;
inline constexpr int kDelaySync = 5;
inline constexpr int kDelayReserved = 7;

// Master volume, master tune, velocity sensitivity, pitch-bend range.
inline constexpr std::array<NamedValue, 4> kMasterValues{{
    {"volume", 1.0}, {"tune", 0.5}, {"velocity", 1.0}, {"bend", 0.5},
}};

inline constexpr int kMasterTune = 1;

}  // namespace bankgen
