#include "editor-program/shown_instrument.h"

#include "contract/instrument_data.h"

int32_t ShownInstrument::id() const { return slot ? readShared(slot->id, std::memory_order_acquire) : -1; }

bool ShownInstrument::markersMovable() const {
    return id() >= 0 && (slot->flags & InstrumentData::kMarkersFixed) == 0;
}

void ShownInstrument::show(InstrumentData* record) {
    slot = record;
    settledId = id();
    emit changed();
}

void ShownInstrument::settle() {
    if (id() == settledId) return;
    settledId = id();
    emit renumbered();
}
