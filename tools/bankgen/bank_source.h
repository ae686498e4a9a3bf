// factory_bank.txt as read: the programs with their instruments, delay and
// master values, each remembering the line it came from.
#pragma once

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

#include "contract/parameter_map.h"
#include "tools/bankgen/builtin_sounds.h"
#include "tools/bankgen/diagnostics.h"

namespace bankgen {

enum InstrumentType { kCatalogue = 0, kCatalogueFixed = 1, kResource = 2 };

struct InstrumentSource {
    int line = 0;
    InstrumentType type = kCatalogue;
    std::string name;
    std::string path;  // empty: written as a null string
    std::array<double, parameter_map::kPerInstrument> values{};
    SampleMarkers markers;
};

struct ProgramSource {
    int line = 0;
    std::string name;
    std::vector<InstrumentSource> instruments;
    std::array<double, parameter_map::kDelayCount> delay{};
    std::array<double, parameter_map::kMasterCount> master{};
    int delayLine = 0;  // 0 when the program has no delay line
    int masterLine = 0;
};

// Reads every program; what is wrong goes to `diagnostics`.
std::vector<ProgramSource> readBankSource(std::istream& in, Diagnostics& diagnostics);

}  // namespace bankgen
