#include "editor/held_notes.h"

namespace {

bool valid(int channel, int note) { return channel >= 0 && channel < 16 && note >= 0 && note < HeldNotes::kNotes; }

}  // namespace

bool HeldNotes::press(int channel, int note, int velocity) {
    if (!valid(channel, note) || velocity == 0) return false;
    velocities[note].store(static_cast<uint8_t>(velocity));  // the byte the host sent, never 0
    channels[note].fetch_or(static_cast<uint16_t>(1u << channel));
    return true;
}

bool HeldNotes::release(int channel, int note) {
    if (!valid(channel, note)) return false;
    const unsigned bit = 1u << channel;
    return (channels[note].fetch_and(static_cast<uint16_t>(~bit)) & ~bit) == 0;
}

int HeldNotes::velocity(int note) const {
    if (note < 0 || note >= kNotes || channels[note].load() == 0) return 0;
    return velocities[note].load();
}
