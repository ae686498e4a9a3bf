// Writes the fuzzer's starting chunks: the factory bank, and what a plug-in
// saves as bank and as program, with a few instruments in it. The first
// byte of each file picks bank (0) or program (1), as the fuzz target reads it.
#include <cstdio>
#include <memory>
#include <string>

#include "instruments/catalogue.h"
#include "synth/quaxel2.h"

extern "C" const unsigned char bank[];
extern "C" const int32_t bank_size;

namespace {

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

bool write(const std::string& path, unsigned char kind, const void* data, int size) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool ok = std::fwrite(&kind, 1, 1, out) == 1 && std::fwrite(data, 1, static_cast<std::size_t>(size), out) == static_cast<std::size_t>(size);
    return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    auto plugin = std::make_unique<Quaxel2>(host);
    void* data = nullptr;
    int size = plugin->getChunk(&data, false);
    bool ok = write(dir + "/factory_bank_as_saved", 0, data, size);
    ok = write(dir + "/factory_bank", 0, bank, bank_size) && ok;
    plugin->createInstrumentFromString(internalInstrumentName[3]);
    plugin->createInstrumentFromString(internalInstrumentName[54]);
    size = plugin->getChunk(&data, true);
    ok = write(dir + "/program", 1, data, size) && ok;
    size = plugin->getChunk(&data, false);
    ok = write(dir + "/bank", 0, data, size) && ok;
    if (!ok) std::fprintf(stderr, "make_seeds: cannot write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
