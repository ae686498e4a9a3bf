// Saving and restoring the whole state as host chunks: all 128 programs (a
// bank) or the current one. A chunk is read into a scratch copy first and
// replaces the programs only when all of it is valid; a refused chunk
// returns 0 and leaves everything as it was.
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

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
    std::lock_guard<std::recursive_mutex> structure(structureMutex);
    copyStateToProgram(&programs[curProgram]);
    std::vector<unsigned char> chunk;
    if (isPreset) {
        writeProgramRecord(chunk, programs[curProgram]);
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

VstInt32 Quaxel2::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    if (!data || byteSize < 4) return 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const int32_t version = leadingVersion(bytes);
    if (version != 3 && version != 5) return setChunk2(data, byteSize, isPreset);

    std::lock_guard<std::recursive_mutex> structure(structureMutex);
    ChunkReader reader(bytes, static_cast<std::size_t>(byteSize));
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
    rebuildCurrentProgram(nullptr);
    return 1;
}

VstInt32 Quaxel2::setChunk2(void* data, VstInt32 byteSize, bool isPreset) {
    if (!data || byteSize <= 0) return 0;
    std::lock_guard<std::recursive_mutex> structure(structureMutex);
    ChunkReader reader(static_cast<const unsigned char*>(data), static_cast<std::size_t>(byteSize));
    const Program* last;
    if (isPreset) {
        auto loaded = std::make_unique<Program>(programs[curProgram]);
        if (reader.readFactoryRecord(*loaded) != ChunkReader::Record::Read) return 0;
        programs[curProgram] = *loaded;
        last = &programs[curProgram];
    } else {
        auto loaded = std::make_unique<Programs>(programs);
        for (Program& program : *loaded)
            if (reader.readFactoryRecord(program) != ChunkReader::Record::Read) return 0;
        programs = *loaded;
        last = &programs.back();
    }
    // The editor's block shows the master values of the last record read.
    rebuildCurrentProgram(last);
    return 1;
}

void Quaxel2::rebuildCurrentProgram(const Program* mirrored) {
    freeRemovedInstruments();
    std::unique_ptr<Rack> built = buildProgramRack(programs[curProgram]);
    std::unique_ptr<Rack> old;
    std::lock_guard<EngineMutex> engine(engineLock);
    old = publishRack(std::move(built), programs[curProgram]);
    if (!mirrored) return;
    mirrorMasterValue(kMasterVolume, mirrored->masterVolume);
    mirrorMasterValue(kMasterTune, mirrored->masterTune);
    mirrorMasterValue(kVelocitySensitivity, mirrored->velocitySensitivity);
    mirrorMasterValue(kPitchBendRange, mirrored->pitchBendRange);
}
