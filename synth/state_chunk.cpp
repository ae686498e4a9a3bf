// Saving and restoring the whole state as host chunks: all 128 programs (a
// bank) or the current one. A chunk is read into a scratch copy first and
// replaces the programs only when all of it is valid.
#include <cstring>
#include <memory>

#include "programs/chunk.h"
#include "synth/quaxel2.h"

namespace {

using Programs = std::array<Program, Quaxel2::kNumPrograms>;

int32_t leadingVersion(const unsigned char* data) {
    int32_t version;
    std::memcpy(&version, data, 4);
    return version;
}

}  // namespace

VstInt32 Quaxel2::getChunk(void** data, bool isPreset) {
    copyStateToProgram(&programs[curProgram]);
    std::vector<unsigned char> chunk;
    if (isPreset) {
        writeProgramRecord(chunk, programs[curProgram]);
    } else {
        for (const Program& program : programs) writeProgramRecord(chunk, program);
    }
    // The host copies the block later: it stays until the next call.
    savedChunk = std::move(chunk);
    *data = savedChunk.data();
    return static_cast<VstInt32>(savedChunk.size());
}

VstInt32 Quaxel2::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    if (!data || byteSize < 4) return 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::size_t size = static_cast<std::size_t>(byteSize);
    const int32_t version = leadingVersion(bytes);
    if (version != 3 && version != 5) return setChunk2(data, byteSize, isPreset);

    ChunkReader reader(bytes, size);
    if (isPreset) {
        auto loaded = std::make_unique<Program>(programs[curProgram]);
        if (reader.readCurrentRecord(*loaded, false) != ChunkReader::Record::Read) return 0;
        programs[curProgram] = *loaded;
    } else {
        auto loaded = std::make_unique<Programs>(programs);
        for (Program& program : *loaded) {
            switch (reader.readCurrentRecord(program, true)) {
                case ChunkReader::Record::Read: break;
                case ChunkReader::Record::OtherVersion: return setChunk2(data, byteSize, false);
                case ChunkReader::Record::Malformed: return 0;
            }
        }
        programs = *loaded;
    }
    rebuildCurrentProgram();
    return 1;
}

VstInt32 Quaxel2::setChunk2(void* data, VstInt32 byteSize, bool isPreset) {
    if (!data || byteSize <= 0) return 0;
    ChunkReader reader(static_cast<const unsigned char*>(data), static_cast<std::size_t>(byteSize));
    if (isPreset) {
        auto loaded = std::make_unique<Program>(programs[curProgram]);
        if (reader.readFactoryRecord(*loaded) != ChunkReader::Record::Read) return 0;
        programs[curProgram] = *loaded;
        mirrorMasterValues(programs[curProgram]);
    } else {
        auto loaded = std::make_unique<Programs>(programs);
        for (Program& program : *loaded)
            if (reader.readFactoryRecord(program) != ChunkReader::Record::Read) return 0;
        programs = *loaded;
        for (const Program& program : programs) mirrorMasterValues(program);
    }
    rebuildCurrentProgram();
    return 1;
}

void Quaxel2::mirrorMasterValues(const Program& program) {
    mirrorMasterValue(kMasterVolume, program.masterVolume);
    mirrorMasterValue(kMasterTune, program.masterTune);
    mirrorMasterValue(kVelocitySensitivity, program.velocitySensitivity);
    mirrorMasterValue(kPitchBendRange, program.pitchBendRange);
}

void Quaxel2::rebuildCurrentProgram() {
    racks[0]->clear();
    copyStateFromProgram();
}
