// The names factory_bank.txt gives the values of a program, in record order,
// with the value each one has when a line does not mention it.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "contract/parameter_map.h"
#include "contract/parameter_tables.h"
#include "programs/program.h"

namespace bankgen {

struct NamedValue {
    std::string_view name;
    double initial;
};

// The instrument's parameters, named as the plug-in names them, except
// the last, which the plug-in leaves unnamed; their first values are the
// plug-in's own.
inline constexpr std::string_view kInstrumentNames[parameter_map::kPerInstrument] = {
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

inline constexpr std::array<NamedValue, parameter_map::kPerInstrument> kInstrumentValues =
    named(kInstrumentNames, [](std::size_t i) { return kInstrumentParameters[i].value; });

inline constexpr int kTune = parameter_map::instrument::kTune;
inline constexpr int kFinetune = parameter_map::instrument::kFinetune;
inline constexpr int kLoop = parameter_map::instrument::kLoop;

// The delay's values; the last one is stored and never used.
inline constexpr std::string_view kDelayNames[parameter_map::kDelayCount] = {"time",   "feedback", "volume",   "spread",
                                                    "active", "sync",     "pingpong", "reserved"};
inline constexpr std::array<NamedValue, parameter_map::kDelayCount> kDelayValues =
    named(kDelayNames, [](std::size_t i) { return DelayProgram::kInitialValues[i]; });

inline constexpr int kDelaySpread = parameter_map::delay::kSpread;
inline constexpr int kDelaySync = parameter_map::delay::kSync;
inline constexpr int kDelayReserved = parameter_map::delay::kDefault;

// Master volume, master tune, velocity sensitivity, pitch-bend range.
inline constexpr std::string_view kMasterNames[parameter_map::kMasterCount] = {"volume", "tune", "velocity", "bend"};
inline constexpr std::array<NamedValue, parameter_map::kMasterCount> kMasterValues =
    named(kMasterNames, [](std::size_t i) { return Program::kInitialMasters[i]; });

inline constexpr int kMasterTune = parameter_map::master::kTune;

}  // namespace bankgen
