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

void Rack::removeInstrumentAt(int index) {
    if (index < 0 || index >= count) return;
    delete instruments[index];
    for (int i = index; i < count - 1; i++) {
        instruments[i] = instruments[i + 1];
        instruments[i]->setId(i);
    }
    instruments[--count] = nullptr;
}

void Rack::processDeletion() {
    for (int i = 0; i < count;) {
        const InstrumentData* record = instruments[i]->data;
        if (record && record->deleteRequest) {
            removeInstrumentAt(i);
            i = 0;
        } else {
            i++;
        }
    }
}

void Rack::clear() {
    for (int i = 0; i < count; i++) {
        delete instruments[i];
        instruments[i] = nullptr;
    }
    count = 0;
}
