#include "synth/shared_regions.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "editor/bridge_names.h"
#include "instruments/instrument.h"

SharedRegions::SharedRegions(int instanceNumber) {
    if (instrumentMemory.create(bridge::instrumentRegionName(instanceNumber), kInstrumentRegionSize)) {
        instruments = static_cast<unsigned char*>(instrumentMemory.data());
        const int32_t freeSlot = -1;
        for (int slot = 0; slot < kInstrumentSlots; slot++)
            std::memcpy(instruments + slot * kInstrumentSlotSize, &freeSlot, sizeof freeSlot);
    } else {
        std::printf("Quaxel2VST > failed to map plugin shared memory \n");
    }
    if (sampleMemory.create(bridge::sampleRegionName(instanceNumber), kSampleRegionSize))
        sample = static_cast<unsigned char*>(sampleMemory.data());
    else
        std::printf("Quaxel2VST > failed to map sample shared memory \n");
    std::fflush(stdout);
}

ParameterRecord* SharedRegions::delayRecords() const {
    return instruments ? reinterpret_cast<ParameterRecord*>(instruments + kDelayBlockOffset) : nullptr;
}

InstrumentData* SharedRegions::freeInstrumentRecord() const {
    if (!instruments) return nullptr;
    auto* slots = reinterpret_cast<InstrumentData*>(instruments);
    for (int slot = 0; slot < kInstrumentSlots; slot++)
        if (readShared(slots[slot].id) == -1) return &slots[slot];
    return nullptr;
}

void SharedRegions::attach(Instrument* instrument) const {
    if (instrument) instrument->initData(freeInstrumentRecord());
}

void SharedRegions::mirrorMasterValue(int which, float value) const {
    if (!instruments || which < 0 || which >= parameter_map::kMasterCount) return;
    const std::size_t entry = static_cast<std::size_t>(kFirstMasterEntry + which);
    std::memcpy(instruments + kDelayBlockOffset + entry * kDelayBlockEntrySize, &value, sizeof value);
}
