// The 128 programs and the bytes of the last chunk handed to the host, with
// the structure lock that guards them.
//
// The structure lock serialises the slow structural work of the threads
// other than the audio thread (program changes, chunks, new instruments,
// format changes). It is held while instruments are built and files read;
// the engine lock is taken inside it only for the moment that publishes a
// result. The audio thread never takes it. Lock order: structure lock, then
// engine lock. The master values of the programs are relaxed atomics, read
// by the audio thread without it.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "contract/program_list.h"
#include "host/vst2.h"
#include "programs/program.h"
#include "synth/engine_mutex.h"

class ProgramStore {
public:
    static constexpr int kNumPrograms = program_list::kPrograms;

    // Every operation below runs on a thread other than the audio thread
    // with this lock held (the compiler checks it).
    StructureMutex& lock() RETURN_CAPABILITY(structureMutex) { return structureMutex; }

    Program& at(int index) REQUIRES(structureMutex) { return programs[index]; }
    // The same program without the lock, for its master values only: they
    // are relaxed atomics, and the program objects never move.
    Program& masters(int index) NO_THREAD_SAFETY_ANALYSIS { return programs[index]; }

    // Writes every program (a bank) or only `current` (a program chunk) in
    // the current format and keeps the bytes until the next save. Returns
    // their size, or 0 (and null) for a state too big for the host's int32.
    VstInt32 save(void** data, int current, bool isPreset) REQUIRES(structureMutex);

    enum class Load { Loaded, Refused, OtherFormat };
    // Reads a chunk of version-3 or version-5 records into all programs or
    // into `current`; nothing changes unless all of it is valid. A bank whose
    // records are of another version is OtherFormat.
    Load loadCurrentFormat(const unsigned char* data, std::size_t size, int current, bool isPreset)
        REQUIRES(structureMutex);
    // Reads a chunk of version-2 records (the factory bank's format); the
    // last program read, or null when the chunk is refused.
    const Program* loadFactoryFormat(const unsigned char* data, std::size_t size, int current, bool isPreset)
        REQUIRES(structureMutex);

private:
    StructureMutex structureMutex;
    std::array<Program, kNumPrograms> programs GUARDED_BY(structureMutex);
    std::vector<unsigned char> savedChunk GUARDED_BY(structureMutex);  // the block the host got from save
};
