// MIDI events as a host hands them to a plug-in: added one by one, then
// passed as one VstEvents block. Shared by the unit, stress and end-to-end
// tests and the benchmarks.
#pragma once

#include <cstddef>
#include <vector>

#include "host/vst2.h"

class MidiEvents {
public:
    MidiEvents& add(int status, int data1, int data2, int deltaFrames = 0) {
        VstMidiEvent event{};
        event.type = kVstMidiType;
        event.byteSize = sizeof event;
        event.deltaFrames = deltaFrames;
        event.midiData[0] = static_cast<char>(status);
        event.midiData[1] = static_cast<char>(data1);
        event.midiData[2] = static_cast<char>(data2);
        events.push_back(event);
        return *this;
    }

    // The block for processEvents; valid until the next add or clear.
    VstEvents* list() {
        block.assign(sizeof(VstEvents) + events.size() * sizeof(VstEvent*), 0);
        auto* vstEvents = reinterpret_cast<VstEvents*>(block.data());
        vstEvents->numEvents = static_cast<VstInt32>(events.size());
        for (std::size_t i = 0; i < events.size(); i++) vstEvents->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
        return vstEvents;
    }

    void clear() { events.clear(); }
    bool empty() const { return events.empty(); }
    std::size_t size() const { return events.size(); }

private:
    std::vector<VstMidiEvent> events;
    std::vector<unsigned char> block;
};
