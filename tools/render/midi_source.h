// MIDI input for a render: the channel messages to send, each at the frame
// it falls on, and the tempo map the host reports alongside.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/render/tempo_map.h"

struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct TimedMidiEvent {
    int64_t frame;
    unsigned char bytes[3];
};

struct MidiSource {
    std::vector<TimedMidiEvent> events;  // ordered by frame, then in sending order
    TempoMap tempo;
    double endSeconds = 0.0;  // when the last event happens
};

// Parses "note:start:duration[:velocity],..." (seconds; channel 1). Throws InputError.
MidiSource midiFromNoteList(const std::string& list, int sampleRate, double bpm);

// Reads every channel message of a Standard MIDI File, timed by its tempo map.
// Throws InputError.
MidiSource midiFromFile(const std::string& path, int sampleRate);
