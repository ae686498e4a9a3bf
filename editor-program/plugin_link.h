// What the window's widgets reach of the plug-in: one message at a time to
// its FIFO, and the two shared regions (null when they could not be mapped).
#pragma once

#include "editor/bridge_names.h"
#include "editor/ui_messages.h"
#include "instruments/instrument_data.h"
#include "instruments/sample_data.h"

class PluginLink {
public:
    virtual ~PluginLink() = default;

    // One write; false when it failed (pipe full, FIFO not open).
    virtual bool send(const UiMessage& message) = 0;
    // The 16 instrument slots, followed by the delay's block.
    virtual InstrumentData* instrumentRegion() const = 0;
    virtual SampleData* sampleRegion() const = 0;

    // The delay's 8 parameter records, then the 4 master values (value only).
    ParameterRecord* delayBlock() const {
        InstrumentData* records = instrumentRegion();
        return records ? reinterpret_cast<ParameterRecord*>(reinterpret_cast<char*>(records) + bridge::kDelayBlockOffset)
                     : nullptr;
    }
};
