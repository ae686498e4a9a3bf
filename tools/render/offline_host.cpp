#include "tools/render/offline_host.h"

#include <cstring>

OfflineHost::OfflineHost(int sampleRate, int blockSize, TempoMap tempo)
    : sampleRate_(sampleRate), tempo_(std::move(tempo)),
      host_("quaxel2-render", VstHost::Pace::Offline, sampleRate, blockSize) {
    tempo_.fill(host_.timeInfo(), 0, sampleRate_);
}

void OfflineHost::setParameter(int index, float value) {
    if (index >= host_.parameterCount())
        throw HostError("--param " + std::to_string(index) + ": '" + host_.path() + "' has " +
                        std::to_string(host_.parameterCount()) + " parameters");
    host_.setParameter(index, value);
}

void OfflineHost::process(int64_t position, const TimedMidiEvent* events, size_t count, int frames) {
    if (count > host_.eventCapacity()) throw std::logic_error("block exceeds the storage reserved by start()");

    VstTimeInfo& time = host_.timeInfo();
    tempo_.fill(time, position, sampleRate_);
    if (transportStarting_) {
        time.flags |= kVstTransportChanged;
        transportStarting_ = false;
    }
    for (size_t i = 0; i < count; ++i) {
        VstMidiEvent& midi = host_.events()[i];
        midi = VstMidiEvent{};
        midi.deltaFrames = static_cast<VstInt32>(events[i].frame - position);
        std::memcpy(midi.midiData, events[i].bytes, 3);
    }
    host_.process(count, frames);
}
