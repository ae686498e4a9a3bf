// The record of one instrument in the instrument region, shared with the
// editor program: identity, name, path, level meter, channel, parameters.
// Both processes use native byte order. Who writes each field is said
// beside it; the editor program reads every field from its GUI thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "contract/parameter_map.h"
#include "contract/parameter_record.h"

struct InstrumentData {
    static constexpr int kNameSize = 256;
    static constexpr int kPathSize = 2048;
    static constexpr int kParameterCount = parameter_map::kPerInstrument;
    // Bits of `flags`.
    static constexpr int32_t kMarkersFixed = 1;  // the plug-in neither applies nor keeps marker changes

    // The instrument's rack position; -1 marks a free record. The plug-in
    // writes it under its engine lock: when an instrument takes the record
    // (last, with release order), when a removal renumbers the rack, and -1
    // when the instrument goes (the audio thread, for a removal).
    int32_t id;
    char name[kNameSize];  // the plug-in, when the record is taken
    char path[kPathSize];  // the same
    // The editor program's GUI thread sets it to 1 (the "remove" menu); the
    // plug-in clears it when the record is taken and honours it on the
    // audio thread after the next block.
    uint8_t deleteRequest;
    uint8_t padding[3];
    float peak;  // the audio thread, after each block
    int32_t flags;           // the plug-in, when the record is taken
    int32_t parameterCount;  // the same
    // -1 omni, else 0 to 15. The plug-in writes it when the record is taken
    // (the channel a program gave the instrument); the editor program's GUI
    // thread writes it when the user picks a channel. The audio thread reads
    // it for every note.
    int32_t midiChannel;
    ParameterRecord parameterRecord[kParameterCount];
};

static_assert(offsetof(InstrumentData, name) == 4);
static_assert(offsetof(InstrumentData, path) == 260);
static_assert(offsetof(InstrumentData, deleteRequest) == 2308);
static_assert(offsetof(InstrumentData, peak) == 2312);
static_assert(offsetof(InstrumentData, flags) == 2316);
static_assert(offsetof(InstrumentData, parameterCount) == 2320);
static_assert(offsetof(InstrumentData, midiChannel) == 2324);
static_assert(offsetof(InstrumentData, parameterRecord) == 2328);
static_assert(sizeof(InstrumentData) == 2680);

// The editor program writes `deleteRequest` and `midiChannel` while the
// plug-in reads them: those accesses are relaxed atomics, never torn or
// cached away. The id is written last, with release order, when a record is
// taken: a reader that reads an id with acquire order sees the whole record.
template <typename Field>
inline Field readShared(const Field& field, std::memory_order order = std::memory_order_relaxed) {
    return std::atomic_ref<Field>(const_cast<Field&>(field)).load(order);
}

template <typename Field>
inline void writeShared(Field& field, Field value, std::memory_order order = std::memory_order_relaxed) {
    std::atomic_ref<Field>(field).store(value, order);
}
