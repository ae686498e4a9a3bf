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
    // Removes every instrument whose shared record asks for deletion.
    void processDeletion();
    void clear();
    int getCount() const { return count; }

private:
    std::array<Instrument*, kCapacity> instruments{};
    int count = 0;
};
