#include "standalone/period_player.h"

#include <algorithm>
#include <cstring>

#include "standalone/transport_time.h"

void PeriodPlayer::play(const jack_midi_event_t* events, size_t count, jack_transport_state_t state,
                        const jack_position_t& position, float* left, float* right, jack_nframes_t frames) {
    const bool rolling = state == JackTransportRolling;
    fillTimeInfo(host_.timeInfo(), rolling, position, first_ || rolling != wasRolling_);
    first_ = false;
    wasRolling_ = rolling;

    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        const jack_midi_event_t& event = events[i];
        if (event.size == 0 || event.size > 3) continue;
        if (kept == host_.eventCapacity()) {
            ++dropped_;
            continue;
        }
        VstMidiEvent& midi = host_.events()[kept++];
        midi = VstMidiEvent{};
        midi.deltaFrames = static_cast<VstInt32>(std::min<jack_nframes_t>(event.time, frames - 1));
        std::memcpy(midi.midiData, event.buffer, event.size);
    }
    host_.process(kept, static_cast<int>(frames));
    std::memcpy(left, host_.left(), frames * sizeof(float));
    std::memcpy(right, host_.right(), frames * sizeof(float));
}
