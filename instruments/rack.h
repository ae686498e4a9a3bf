// The ordered instruments the plug-in plays. An instrument's id is always
// its position; the rack owns what it holds.
//
// Threads: the rack in play belongs to the engine, so every operation on it
// runs with the engine lock held, on any thread; processDeletion is the
// audio thread's. A rack being built for a program is its builder's alone
// until it is published (the structure lock is held throughout).
#pragma once

#include <array>

#include "contract/parameter_map.h"
#include "instruments/instrument_access.h"

class Instrument;

class Rack {
public:
    static constexpr int kCapacity = parameter_map::kInstruments;

    Rack() = default;
    ~Rack() { clear(); }
    Rack(const Rack&) = delete;
    Rack& operator=(const Rack&) = delete;

    // Null outside 0 to count - 1.
    Instrument* getInstrumentAt(int index) const;
    Instrument* getInstrumentById(int id) const REQUIRES(instrumentAccess);
    // False when full; the caller then keeps the instrument.
    bool addInstrument(Instrument* instrument) REQUIRES(instrumentAccess);
    void removeInstrumentAt(int index) REQUIRES(instrumentAccess);
    // Takes the instrument at a position out of the rack without destroying
    // it; the later ones move down. Null for an empty position.
    Instrument* detachInstrumentAt(int index) REQUIRES(instrumentAccess);
    // Takes out every instrument whose shared record asks for deletion, in
    // position order, into `removed` (at most `capacity` of them), frees
    // their records and returns how many it took: the caller destroys them,
    // which the audio thread that calls this must not do itself.
    int processDeletion(Instrument** removed, int capacity) REQUIRES(instrumentAccess);
    // Destroys every instrument: never on the audio thread.
    void clear();
    int getCount() const { return count; }

private:
    std::array<Instrument*, kCapacity> instruments{};
    int count = 0;
};
