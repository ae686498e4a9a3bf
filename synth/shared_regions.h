// The two shared-memory regions the editor program maps by the plug-in's
// instance number: "/instrument.mmapN" (sixteen instrument records, then the
// delay's block, whose entries 8 to 11 mirror the four master values) and
// "/sample.mmapN" (the record of the sample on show).
#pragma once

#include <cstddef>

#include "contract/shared_layout.h"
#include "instruments/instrument_access.h"
#include "programs/parameter.h"
#include "synth/shared_region.h"

class Instrument;

class SharedRegions {
public:
    static constexpr std::size_t kInstrumentSlotSize = sizeof(InstrumentData);
    static constexpr int kInstrumentSlots = shared_layout::kInstrumentSlots;
    static constexpr std::size_t kDelayBlockOffset = shared_layout::kDelayBlockOffset;
    static constexpr std::size_t kDelayBlockEntrySize = sizeof(ParameterRecord);
    static constexpr int kFirstMasterEntry = shared_layout::kFirstMasterEntry;
    static constexpr std::size_t kInstrumentRegionSize = shared_layout::kInstrumentRegionSize;
    static constexpr std::size_t kSampleRegionSize = shared_layout::kSampleRegionSize;

    // Creates both regions, zeroed, with every instrument slot free. A
    // region that cannot be made is reported on stdout and stays null.
    explicit SharedRegions(int instanceNumber);

    unsigned char* instrumentRegion() const { return instruments; }
    unsigned char* sampleRegion() const { return sample; }
    SampleData* sampleRecord() const { return reinterpret_cast<SampleData*>(sample); }
    // The delay's eight records, or null without the region.
    ParameterRecord* delayRecords() const;

    // Callers hold the engine lock: records are handed out and taken back
    // (by instruments being destroyed) under it.
    // The first free instrument record in slot order, or null.
    InstrumentData* freeInstrumentRecord() const;
    // Gives an instrument a free record; a null instrument is ignored. Its
    // sample is bound to the sample record only when the editor shows it.
    void attach(Instrument* instrument) const REQUIRES(instrumentAccess);

    // Shows master value `which` (0 volume, 1 tune, 2 velocity sensitivity,
    // 3 bend range) in the delay block for the editor program; any thread.
    void mirrorMasterValue(int which, float value) const;

private:
    SharedRegion instrumentMemory;
    SharedRegion sampleMemory;
    unsigned char* instruments = nullptr;
    unsigned char* sample = nullptr;
};
