#include "editor-program/plugin_link.h"

#include <algorithm>

void PluginLink::setMidiChannel(int32_t id, int channel) {
    if (InstrumentData* record = findInstrument(id)) writeShared(record->midiChannel, channel < 0 || channel > 15 ? -1 : channel);
}

void PluginLink::removeInstrument(int32_t id) {
    if (InstrumentData* record = findInstrument(id)) writeShared(record->deleteRequest, static_cast<uint8_t>(1));
}

InstrumentData* PluginLink::findInstrument(int32_t id) const {
    InstrumentData* records = instrumentRegion();
    if (!records || id < 0) return nullptr;
    for (int slot = 0; slot < shared_layout::kInstrumentSlots; slot++)
        if (readShared(records[slot].id) == id) return &records[slot];
    return nullptr;
}

std::vector<InstrumentData*> PluginLink::instruments() const {
    std::vector<InstrumentData*> taken;
    InstrumentData* records = instrumentRegion();
    if (!records) return taken;
    for (int slot = 0; slot < shared_layout::kInstrumentSlots; slot++)
        if (readShared(records[slot].id, std::memory_order_acquire) >= 0) taken.push_back(&records[slot]);
    std::sort(taken.begin(), taken.end(),
              [](const InstrumentData* a, const InstrumentData* b) { return readShared(a->id) < readShared(b->id); });
    return taken;
}

ParameterRecord* PluginLink::delayBlock() const {
    InstrumentData* records = instrumentRegion();
    return records ? reinterpret_cast<ParameterRecord*>(reinterpret_cast<char*>(records) + shared_layout::kDelayBlockOffset)
                   : nullptr;
}
