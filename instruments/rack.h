// The ordered instruments the plug-in plays. An instrument's id is always
// its position; the rack owns what it holds.
#pragma once

#include <array>

class Instrument;

class Rack {
public:
    static constexpr int kCapacity = 16;

    Rack() = default;
    ~Rack() { clear(); }
    Rack(const Rack&) = delete;
    Rack& operator=(const Rack&) = delete;

    Instrument* getInstrumentAt(int index) const;
    Instrument* getInstrumentById(int id) const;
    // False when full; the caller then keeps the instrument.
    bool addInstrument(Instrument* instrument);
    void removeInstrumentAt(int index);
    // Takes the instrument at a position out of the rack without destroying
    // it; the later ones move down. Null for an empty position.
    Instrument* detachInstrumentAt(int index);
    // Takes out every instrument whose shared record asks for deletion, in
    // position order, into `removed` (at most `capacity` of them), frees
    // their records and returns how many it took: the caller destroys them,
    // which the audio thread that calls this must not do itself.
    int processDeletion(Instrument** removed, int capacity);
    void clear();
    int getCount() const { return count; }

private:
    std::array<Instrument*, kCapacity> instruments{};
    int count = 0;
};
