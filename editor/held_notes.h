// The host's notes held now, by note number: what the editor program's
// keyboard is to light. A note is held from a note-on until every channel
// that started it has let it go, or until all notes off. Only the host's
// notes count; those of the program's own keyboard it lights itself.
//
// The audio thread changes it, any thread reads it: lock-free, without
// allocation, every access sequentially consistent (the editor relies on
// that when it tells a reopened program the held notes while the audio
// thread may be telling it of a change).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

class HeldNotes {
public:
    static constexpr int kNotes = 128;

    // False for a note or channel out of range, or velocity 0, which
    // change nothing.
    bool press(int channel, int note, int velocity);
    // Whether no channel holds the note any more; false for a note or
    // channel out of range.
    bool release(int channel, int note);
    // Calls `released(note)` for each note that was held.
    template <typename Released>
    void releaseAll(Released released) {
        for (int note = 0; note < kNotes; note++)
            if (channels[note].exchange(0) != 0) released(note);
    }
    // The velocity of the latest note-on of a held note; 0 when not held.
    int velocity(int note) const;

private:
    std::array<std::atomic<uint16_t>, kNotes> channels{};  // a bit for each channel that holds the note
    std::array<std::atomic<uint8_t>, kNotes> velocities{};
};
