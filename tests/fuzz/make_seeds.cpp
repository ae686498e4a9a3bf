// Writes the chunk fuzzer's starting chunks: the factory bank, and what a
// plug-in saves as bank and as program, with a few instruments in it, and
// with instruments loaded from the sound files in SAMPLES (one more named
// there is missing). The first byte of each file picks bank (0) or program
// (1), as the fuzz target reads it. Also writes the fuzzer's dictionary:
// the strings a chunk names instruments and files by.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "instruments/catalogue.h"
#include "programs/chunk.h"
#include "resources/builtin_resources.h"
#include "synth/quaxel2.h"

extern "C" const unsigned char bank[];
extern "C" const int32_t bank_size;

namespace {

// The files fuzz.sh makes in SAMPLES, and one it never makes.
const char* const kSampleFiles[] = {"stereo16.wav", "tone.mp3", "tone-mpeg.wav"};
const char* const kMissingFile = "missing.wav";

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

bool write(const std::string& path, unsigned char kind, const void* data, int size) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool ok = std::fwrite(&kind, 1, 1, out) == 1 && std::fwrite(data, 1, static_cast<std::size_t>(size), out) == static_cast<std::size_t>(size);
    return std::fclose(out) == 0 && ok;
}

bool writeSampleFileSeeds(const std::string& dir, const std::string& samples) {
    auto plugin = std::make_unique<Quaxel2>(host);
    for (const char* file : kSampleFiles)
        if (!plugin->createInstrumentFromPath(samples + "/" + file)) {
            std::fprintf(stderr, "make_seeds: cannot load %s/%s\n", samples.c_str(), file);
            return false;
        }
    void* data = nullptr;
    int size = plugin->getChunk(&data, false);
    bool ok = write(dir + "/bank_of_sample_files", 0, data, size);

    // The program as saved, and an entry like its last naming a file that is gone.
    size = plugin->getChunk(&data, true);
    Program program;
    ChunkReader reader(static_cast<const unsigned char*>(data), static_cast<std::size_t>(size));
    if (reader.readCurrentRecord(program, false) != ChunkReader::Record::Read || program.instrumentCount == Program::kMaxInstruments)
        return false;
    InstrumentProgram& gone = program.instruments[program.instrumentCount];
    gone = program.instruments[program.instrumentCount - 1];
    gone.path = samples + "/" + kMissingFile;
    program.instrumentCount++;
    std::vector<unsigned char> record;
    writeProgramRecord(record, program);
    return write(dir + "/program_of_sample_files", 1, record.data(), static_cast<int>(record.size())) && ok;
}

// One dictionary line: printable bytes as they are, others as \xNN.
std::string entry(const std::string& bytes) {
    std::string line = "\"";
    for (unsigned char c : bytes) {
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
        line += c >= 0x20 && c < 0x7f && c != '"' && c != '\\' ? std::string(1, static_cast<char>(c)) : escaped;
    }
    return line + "\"\n";
}

// A chunk's string: its length as a little-endian int32, then its bytes.
std::string chunkString(const std::string& text) {
    std::vector<unsigned char> length;
    insert_int(length, static_cast<int32_t>(text.size()));
    return std::string(length.begin(), length.end()) + text;
}

bool writeDictionary(const std::string& path, const std::string& samples) {
    std::string lines;
    std::vector<std::string> names = {samples + "/" + kMissingFile, ":/Resources/sounds/", ".wav", ".mp3", ".MP3"};
    for (const char* file : kSampleFiles) names.push_back(samples + "/" + file);
    for (const EmbeddedResource& resource : kEmbeddedResources) names.push_back(resource.name);
    for (int i = 0; i < kCatalogueEntries; i++) names.push_back(internalInstrumentName[i]);
    for (const std::string& name : names) lines += entry(name) + entry(chunkString(name));
    for (int32_t number : {0, 1, 2, 3, 5, 16, 22, 128}) {  // types, versions, counts
        std::vector<unsigned char> bytes;
        insert_int(bytes, number);
        lines += entry(std::string(bytes.begin(), bytes.end()));
    }
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    const bool ok = std::fputs(lines.c_str(), out) >= 0;
    return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_seeds DIRECTORY SAMPLES DICTIONARY\n");
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
    const bool samplesOk = writeSampleFileSeeds(dir, argv[2]);
    if (!samplesOk) std::fprintf(stderr, "make_seeds: no seeds of sample files in %s\n", dir.c_str());
    const bool dictionaryOk = writeDictionary(argv[3], argv[2]);
    if (!dictionaryOk) std::fprintf(stderr, "make_seeds: cannot write %s\n", argv[3]);
    return ok && samplesOk && dictionaryOk ? 0 : 1;
}
