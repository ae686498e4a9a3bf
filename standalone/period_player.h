// One JACK period through the hosted plug-in: its MIDI events at their frame
// offsets inside the period, the transport's time, and the two outputs.
#pragma once

#include <jack/midiport.h>
#include <jack/transport.h>

#include <cstddef>

#include "tools/vst-host/vst_host.h"

class PeriodPlayer {
public:
    explicit PeriodPlayer(VstHost& host) : host_(host) {}

    // Plays `frames` (at most the host's block size) through the started
    // host into left and right. Messages of more than three bytes (system
    // exclusive) are skipped, and those beyond the host's room are dropped
    // and counted. Allocates nothing and takes no lock.
    void play(const jack_midi_event_t* events, size_t count, jack_transport_state_t state,
              const jack_position_t& position, float* left, float* right, jack_nframes_t frames);

    size_t droppedEvents() const { return dropped_; }

private:
    VstHost& host_;
    bool wasRolling_ = false;
    bool first_ = true;
    size_t dropped_ = 0;
};
