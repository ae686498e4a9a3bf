// The factory bank as the plug-in reads it: version-2 program records
// (big-endian int32, UTF-16BE strings after their byte count, float64
// values), and the assembler file that puts it into the plug-in.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/bankgen/bank_source.h"

namespace bankgen {

std::vector<unsigned char> encodeBank(const std::vector<ProgramSource>& programs);

// Defines the global symbols `bank` (the bytes of `binaryFile`, found on the
// assembler's include path) and `bank_size` (an int32 holding `size`).
std::string bankAssembler(const std::string& binaryFile, std::size_t size);

}  // namespace bankgen
