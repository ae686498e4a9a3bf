// The map of the host's 768 parameters:
//   0-511    instrument parameters of rack 0 (position * P + parameter)
//   512-519  the delay
//   576-579  the four master values of the current program
//   640-767  sample markers, four per instrument (loop start, loop end, start)
// Everything else is inert: it changes nothing and reads 0.
#include <cstring>

#include "host/textcopy.h"
#include "synth/quaxel2.h"

namespace {
const char* const kDelayParameterNames[Quaxel2::kDelayParamCount] = {
    "time", "feedback", "volume", "spread", "active", "sync", "pingpong", "default"};
const char* const kMasterNames[4] = {"Master Vol", "Master Tun", "Vel. Sens.", "pb range"};

bool isMasterIndex(VstInt32 index) { return index >= Quaxel2::kMasterVolume && index <= Quaxel2::kPitchBendRange; }
bool isDelayIndex(VstInt32 index) {
    return index >= Quaxel2::kFirstDelayParam && index < Quaxel2::kFirstDelayParam + Quaxel2::kDelayParamCount;
}
}  // namespace

float* Quaxel2::masterField(VstInt32 index) {
    Program& program = getCurrentProgram();
    switch (index) {
        case kMasterVolume: return &program.masterVolume;
        case kMasterTune: return &program.masterTune;
        case kVelocitySensitivity: return &program.velocitySensitivity;
        case kPitchBendRange: return &program.pitchBendRange;
        default: return nullptr;
    }
}

void Quaxel2::mirrorMasterValue(VstInt32 index, float value) {
    if (!instrumentRegion) return;
    std::size_t entry = 8 + static_cast<std::size_t>(index - kMasterVolume);
    std::memcpy(instrumentRegion + kDelayBlockOffset + entry * kDelayBlockEntrySize, &value, sizeof value);
}

void Quaxel2::setParameter(VstInt32 index, float value) {
    if (index < 0) return;  // no target and nothing an editor could show
    if (index <= 511) {
        int count = rackInstrumentCount();
        if (count == 0) return;
        int perInstrument = firstInstrumentParameterCount();
        if (perInstrument == 0) return;
        if (index / perInstrument >= count) return;
        // The instrument's own parameter is applied here once the rack exists.
    } else {
        if (isDelayIndex(index)) {
            // The delay applies its parameter here once it exists.
        }
        if (float* field = masterField(index)) {
            *field = value;
            mirrorMasterValue(index, value);
        }
        if (samplePositionParams && index >= kFirstSamplePositionParam) {
            if (rackInstrumentCount() == 0) return;
            // Markers of the instrument's main sample are set here once the rack exists.
        }
    }
    // The editor program is told of every change here once it exists.
}

float Quaxel2::getParameter(VstInt32 index) {
    if (isMasterIndex(index)) return *masterField(index);
    return 0.0f;
}

void Quaxel2::getParameterName(VstInt32 index, char* text) {
    if (index >= 0 && index <= 511) {
        int count = rackInstrumentCount();
        int perInstrument = firstInstrumentParameterCount();
        if (count == 0 || perInstrument == 0) return;  // the host's text stays as it was
        *text = 0;
        return;
    }
    if (isDelayIndex(index)) {
        copyText(text, "dly ", kMaxParamNameLength);
        appendText(text, kDelayParameterNames[index - kFirstDelayParam], kMaxParamNameLength);
    } else if (isMasterIndex(index)) {
        copyText(text, kMasterNames[index - kMasterVolume], kMaxParamNameLength);
    } else {
        *text = 0;
    }
}
