// The names factory_bank.txt gives the values of a program, in record order,
// with the value each one has when a line does not mention it.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "instruments/instrument_parameters.h"
#include "programs/program.h"

namespace bankgen {

struct NamedValue {
    std::string_view name;
    double initial;
};

// The instrument's 22 parameters, named as the plug-in names them, except
// the last, which the plug-in leaves unnamed; their first values are the
// plug-in's own.
inline constexpr std::string_view kInstrumentNames[22] = {
    "volume",  "pan",     "tune",    "finetune", "showwave", "loop",        "global", "voleg",
    "piteg",   "special", "vol A",   "vol D",    "vol S",    "vol R",       "pitch A", "pitch D",
    "pitch R", "pitch EG", "reverse", "interpolate", "grain", "grain advance",
};

template <std::size_t N, typename Initial>
constexpr std::array<NamedValue, N> named(const std::string_view (&names)[N], Initial initial) {
    std::array<NamedValue, N> values{};
    for (std::size_t i = 0; i < N; i++) values[i] = {names[i], static_cast<double>(initial(i))};
    return values;
}

inline constexpr std::array<NamedValue, 22> kInstrumentValues =
    named(kInstrumentNames, [](std::size_t i) { return kInstrumentParameters[i].value; });

inline constexpr int kTune = 2;
inline constexpr int kFinetune = 3;
inline constexpr int kLoop = 5;

// The delay's 8 values; the last one is stored and never used.
inline constexpr std::string_view kDelayNames[8] = {"time",   "feedback", "volume",   "spread",
                                                    "active", "sync",     "pingpong", "reserved"};
inline constexpr std::array<NamedValue, 8> kDelayValues =
    named(kDelayNames, [](std::size_t i) { return DelayProgram::kInitialValues[i]; });

inline constexpr int kDelaySpread = 3;
inline constexpr int kDelaySync = 5;
inline constexpr int kDelayReserved = 7;

// Master volume, master tune, velocity sensitivity, pitch-bend range.
inline constexpr std::string_view kMasterNames[4] = {"volume", "tune", "velocity", "bend"};
inline constexpr std::array<NamedValue, 4> kMasterValues =
    named(kMasterNames, [](std::size_t i) { return Program::kInitialMasters[i]; });

inline constexpr int kMasterTune = 1;

}  // namespace bankgen
