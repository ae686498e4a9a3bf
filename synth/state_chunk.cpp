// Saving and restoring the whole state as host chunks: all 128 programs (a
// bank) or the current one. A chunk is read into a scratch copy first and
// replaces the programs only when all of it is valid; a refused chunk
// returns 0 and leaves everything as it was.
#include <cstdint>
#include <cstring>

#include "editor/quaxel2_editor.h"
#include "synth/quaxel2.h"

VstInt32 Quaxel2::getChunk(void** data, bool isPreset) {
    Locked<StructureMutex> structure(programs.lock());
    copyStateToProgram(&programs.at(curProgram));
    return programs.save(data, curProgram, isPreset);
}

VstInt32 Quaxel2::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    if (!data || byteSize < 4) return 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    int32_t version;
    std::memcpy(&version, bytes, sizeof version);
    if (version != 3 && version != 5) return setChunk2(data, byteSize, isPreset);

    Locked<StructureMutex> structure(programs.lock());
    switch (programs.loadCurrentFormat(bytes, static_cast<std::size_t>(byteSize), curProgram, isPreset)) {
        case ProgramStore::Load::Loaded: break;
        case ProgramStore::Load::OtherFormat: return setChunk2(data, byteSize, false);
        case ProgramStore::Load::Refused: return 0;
    }
    rebuildCurrentProgram();
    reloadEditor();
    tellEditorOfLoadedPrograms(isPreset);
    return 1;
}

VstInt32 Quaxel2::setChunk2(void* data, VstInt32 byteSize, bool isPreset) {
    if (!data || byteSize <= 0) return 0;
    Locked<StructureMutex> structure(programs.lock());
    const Program* last = programs.loadFactoryFormat(static_cast<const unsigned char*>(data),
                                                     static_cast<std::size_t>(byteSize), curProgram, isPreset);
    if (!last) return 0;
    rebuildCurrentProgram();
    reloadEditor();
    tellEditorOfLoadedPrograms(isPreset);
    return 1;
}

// A bank renamed every program, a program chunk the current one. The
// names of a bank are told only to an editor that is open: each open asks
// for them anew, and what is queued while closed is dropped at the open.
void Quaxel2::tellEditorOfLoadedPrograms(bool isPreset) {
    tellEditorPrograms(!isPreset && uiEditor && uiEditor->isEditorOpen());
}

void Quaxel2::rebuildCurrentProgram() {
    Locked<StructureMutex> structure(programs.lock());
    engine.freeRemovedInstruments();
    std::unique_ptr<Rack> built = buildProgramRack(programs.at(curProgram));
    std::unique_ptr<Rack> old;
    Locked<EngineMutex> lock(engine.mutex());
    old = publishRack(std::move(built), programs.at(curProgram));
}
