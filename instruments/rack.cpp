#include "instruments/rack.h"

#include "instruments/instrument.h"

Instrument* Rack::getInstrumentAt(int index) const {
    return index >= 0 && index < count ? instruments[index] : nullptr;
}

Instrument* Rack::getInstrumentById(int id) const {
    for (int i = 0; i < count; i++)
        if (instruments[i]->id == id) return instruments[i];
    return nullptr;
}

bool Rack::addInstrument(Instrument* instrument) {
    if (!instrument || count >= kCapacity) return false;
    instruments[count] = instrument;
    instrument->setId(count);
    count++;
    return true;
}

void Rack::removeInstrumentAt(int index) { delete detachInstrumentAt(index); }

Instrument* Rack::detachInstrumentAt(int index) {
    if (index < 0 || index >= count) return nullptr;
    Instrument* taken = instruments[index];
    for (int i = index; i < count - 1; i++) {
        instruments[i] = instruments[i + 1];
        instruments[i]->setId(i);
    }
    instruments[--count] = nullptr;
    return taken;
}

int Rack::processDeletion(Instrument** removed, int capacity) {
    int taken = 0;
    for (int i = 0; i < count && taken < capacity;) {
        InstrumentData* record = instruments[i]->data;
        if (!record || !readShared(record->deleteRequest)) {
            i++;
            continue;
        }
        Instrument* instrument = detachInstrumentAt(i);
        writeShared(record->id, -1);
        instrument->data = nullptr;
        removed[taken++] = instrument;
        i = 0;
    }
    return taken;
}

void Rack::clear() {
    for (int i = 0; i < count; i++) {
        delete instruments[i];
        instruments[i] = nullptr;
    }
    count = 0;
}
