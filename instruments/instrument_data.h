// The record of one instrument that the editor program reads and writes in
// shared memory: identity, name, path, level meter, channel, parameters.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "programs/parameter.h"

struct InstrumentData {
    static constexpr int kNameSize = 256;
    static constexpr int kPathSize = 2048;
    static constexpr int kParameterCount = 22;
    // Bits of `flags`.
    static constexpr int32_t kMarkersFixed = 1;  // the plug-in neither applies nor keeps marker changes

    int32_t id;  // -1 marks a free record
    char name[kNameSize];
    char path[kPathSize];
    uint8_t deleteRequest;  // set by the editor program; honoured after the next block
    uint8_t padding[3];
    float peak;
    int32_t flags;
    int32_t parameterCount;
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
