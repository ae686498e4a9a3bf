// The files the build embeds: raw sample files and WAV images, the assembler
// file that pulls them into .rodata, and the headers that declare them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "catalogue.h"
#include "embedded.h"
#include "recipe.h"

namespace soundgen {

// Little-endian float32, interleaved, followed by one guard frame equal to
// frame 0 (a voice reads one frame past the end when it interpolates).
std::string rawSamples(const std::vector<double>& samples, int channels);

// A file that the assembler embeds as a hidden, aligned global array.
struct Blob {
    std::string symbol;
    std::string file;  // found through the assembler's include path
    std::size_t size;
};

std::string assemblerSource(const std::vector<Blob>& blobs);

// Symbols of a catalogue entry's own arrays.
std::string catalogueSymbol(int id);
std::string catalogueRightSymbol(int id);
std::string resourceSymbol(int index);

std::string waveformsHeader(const std::vector<Sound>& sounds, const std::vector<CatalogueSound>& catalogue);
// The catalogue's table; `embedded` tells which resource-backed entries are spoken.
std::string catalogueHeader(const std::vector<CatalogueSound>& catalogue, const std::vector<EmbeddedSound>& embedded);
std::string catalogueNamesHeader(const std::vector<CatalogueSound>& catalogue);
std::string resourcesHeader(const std::vector<EmbeddedSound>& sounds, const std::vector<std::size_t>& sizes);
// The loops of the sounds meant to be held, for the factory bank's markers.
std::string loopsHeader(const std::vector<CatalogueSound>& catalogue, const std::vector<EmbeddedSound>& embedded);

// Whether a name can be a C symbol.
bool isIdentifier(const std::string& name);

}  // namespace soundgen
