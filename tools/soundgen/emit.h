// The files the build embeds: one raw sample file per sound, the assembler
// file that pulls them into .rodata, and the header that declares them.
#pragma once

#include <string>
#include <vector>

#include "recipe.h"

namespace soundgen {

// Little-endian float32, interleaved, followed by one guard frame equal to
// frame 0 (a voice reads one frame past the end when it interpolates).
std::string rawSamples(const std::vector<double>& samples, int channels);

// Each raw file "<name>.f32" becomes a hidden, 16-byte aligned global array
// "<name>"; the assembler finds the files through its include path.
std::string assemblerSource(const std::vector<Sound>& sounds);

std::string headerSource(const std::vector<Sound>& sounds);

// Whether a name can be a C symbol.
bool isIdentifier(const std::string& name);

}  // namespace soundgen
