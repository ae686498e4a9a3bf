#include "standalone/transport_time.h"

#include <cmath>

namespace {

bool usableMeter(const jack_position_t& position) {
    return position.beats_per_minute > 0.0 && std::isfinite(position.beats_per_minute) &&
           position.beats_per_bar > 0.0f && position.beat_type > 0.0f && position.ticks_per_beat > 0.0 &&
           position.bar >= 1 && position.beat >= 1;
}

}  // namespace

void fillTimeInfo(VstTimeInfo& info, bool rolling, const jack_position_t& position, bool changed) {
    const double rate = position.frame_rate > 0 ? position.frame_rate : 48000.0;
    info = VstTimeInfo{};
    info.samplePos = static_cast<double>(position.frame);
    info.sampleRate = rate;
    info.nanoSeconds = static_cast<double>(position.usecs) * 1000.0;
    info.flags = kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    if (rolling) info.flags |= kVstTransportPlaying;
    if (changed) info.flags |= kVstTransportChanged;

    if (rolling && (position.valid & JackPositionBBT) && usableMeter(position)) {
        // JACK counts beats of the meter's note value; the plug-in counts quarter notes.
        const double quartersPerBeat = 4.0 / position.beat_type;
        const double barsBefore = position.bar - 1;
        const double beatsIntoBar = (position.beat - 1) + position.tick / position.ticks_per_beat;
        info.tempo = position.beats_per_minute;
        info.barStartPos = barsBefore * position.beats_per_bar * quartersPerBeat;
        info.ppqPos = info.barStartPos + beatsIntoBar * quartersPerBeat;
        info.timeSigNumerator = static_cast<VstInt32>(position.beats_per_bar);
        info.timeSigDenominator = static_cast<VstInt32>(position.beat_type);
        return;
    }
    info.tempo = kDefaultTempo;
    info.ppqPos = info.samplePos / rate * kDefaultTempo / 60.0;
    info.barStartPos = std::floor(info.ppqPos / 4.0) * 4.0;
    info.timeSigNumerator = info.timeSigDenominator = 4;
}
