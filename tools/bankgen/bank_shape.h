// What the plug-in's factory bank must look like beyond being well formed:
// how many programs and instruments of each kind, the values every program
// shares, and its size in bytes.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/bankgen/bank_source.h"

namespace bankgen {

inline constexpr std::size_t kFactoryBankBytes = 55188;

void checkShape(const std::vector<ProgramSource>& programs, Diagnostics& diagnostics);
void checkSize(std::size_t bytes, Diagnostics& diagnostics);

}  // namespace bankgen
