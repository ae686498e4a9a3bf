// Saving and loading a plug-in's state as a host does, for tests and
// benchmarks that drive a plug-in object directly.
#pragma once

#include <vector>

#include "programs/chunk.h"
#include "synth/quaxel2.h"

using ChunkBytes = std::vector<unsigned char>;

// The chunk the plug-in hands out, copied as a host copies it.
inline ChunkBytes savedChunk(Quaxel2& plugin, bool isPreset) {
    void* data = nullptr;
    const VstInt32 size = plugin.getChunk(&data, isPreset);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return ChunkBytes(bytes, bytes + (size > 0 ? size : 0));
}

// The plug-in's answer to loading `bytes`.
inline VstInt32 loadChunk(Quaxel2& plugin, ChunkBytes bytes, bool isPreset) {
    return plugin.setChunk(bytes.data(), static_cast<VstInt32>(bytes.size()), isPreset);
}

// A bank of 128 programs with their first values and no instruments.
inline ChunkBytes blankBank() {
    ChunkBytes bank;
    for (int i = 0; i < Quaxel2::kNumPrograms; i++) writeProgramRecord(bank, Program{});
    return bank;
}

// Replaces the factory bank by 128 empty programs: a bare plug-in.
inline void loadBlankBank(Quaxel2& plugin) { loadChunk(plugin, blankBank(), false); }
