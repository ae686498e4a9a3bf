#include "synth/program_store.h"

#include <cstdint>
#include <memory>

#include "programs/chunk.h"

namespace {
using Programs = std::array<Program, ProgramStore::kNumPrograms>;
}  // namespace

VstInt32 ProgramStore::save(void** data, int current, bool isPreset) {
    std::vector<unsigned char> chunk;
    if (isPreset) {
        writeProgramRecord(chunk, programs[current]);
    } else {
        for (const Program& program : programs) writeProgramRecord(chunk, program);
    }
    // The size travels as an int32: a state too big for it is not offered.
    if (chunk.size() > static_cast<std::size_t>(INT32_MAX)) {
        *data = nullptr;
        return 0;
    }
    // The host copies the block later: it stays until the next call.
    savedChunk = std::move(chunk);
    *data = savedChunk.data();
    return static_cast<VstInt32>(savedChunk.size());
}

ProgramStore::Load ProgramStore::loadCurrentFormat(const unsigned char* data, std::size_t size, int current,
                                                   bool isPreset) {
    ChunkReader reader(data, size);
    if (isPreset) {
        auto loaded = std::make_unique<Program>(programs[current]);
        if (reader.readCurrentRecord(*loaded, false) != ChunkReader::Record::Read) return Load::Refused;
        programs[current] = *loaded;
        return Load::Loaded;
    }
    auto loaded = std::make_unique<Programs>(programs);
    for (Program& program : *loaded) {
        switch (reader.readCurrentRecord(program, true)) {
            case ChunkReader::Record::Read: break;
            case ChunkReader::Record::OtherVersion: return Load::OtherFormat;
            case ChunkReader::Record::Malformed: return Load::Refused;
        }
    }
    programs = *loaded;
    return Load::Loaded;
}

const Program* ProgramStore::loadFactoryFormat(const unsigned char* data, std::size_t size, int current,
                                               bool isPreset) {
    ChunkReader reader(data, size);
    if (isPreset) {
        auto loaded = std::make_unique<Program>(programs[current]);
        if (reader.readFactoryRecord(*loaded) != ChunkReader::Record::Read) return nullptr;
        programs[current] = *loaded;
        return &programs[current];
    }
    auto loaded = std::make_unique<Programs>(programs);
    for (Program& program : *loaded)
        if (reader.readFactoryRecord(program) != ChunkReader::Record::Read) return nullptr;
    programs = *loaded;
    return &programs.back();
}
