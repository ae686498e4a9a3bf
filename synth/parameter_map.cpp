// The map of the host's 768 parameters:
//   0-511    instrument parameters of rack 0 (position * 22 + parameter)
//   512-519  the delay
//   576-579  the four master values of the current program
//   640-767  sample markers, four per instrument (loop start, loop end, start)
// Everything else is inert: it changes nothing and reads 0.
#include <cstdio>
#include <cstring>
#include <string>

#include "editor/quaxel2_editor.h"
#include "host/textcopy.h"
#include "instruments/instrument.h"
#include "synth/marker_position.h"
#include "synth/quaxel2.h"

namespace {
const char* const kMasterNames[4] = {"Master Vol", "Master Tun", "Vel. Sens.", "pb range"};

enum MarkerKind { kLoopStartMarker, kLoopEndMarker, kStartMarker, kNoMarker };

bool isMasterIndex(VstInt32 index) { return index >= Quaxel2::kMasterVolume && index <= Quaxel2::kPitchBendRange; }
bool isDelayIndex(VstInt32 index) {
    return index >= Quaxel2::kFirstDelayParam && index < Quaxel2::kFirstDelayParam + Delay::kParameterCount;
}
MarkerKind markerKind(VstInt32 index) {
    return static_cast<MarkerKind>((index - Quaxel2::kFirstSamplePositionParam) % Quaxel2::kMarkersPerInstrument);
}
int markerInstrument(VstInt32 index) {
    return (index - Quaxel2::kFirstSamplePositionParam) / Quaxel2::kMarkersPerInstrument;
}
}  // namespace

RelaxedFloat* Quaxel2::masterField(VstInt32 index) {
    Program& program = getCurrentProgram();
    switch (index) {
        case kMasterVolume: return &program.masterVolume;
        case kMasterTune: return &program.masterTune;
        case kVelocitySensitivity: return &program.velocitySensitivity;
        case kPitchBendRange: return &program.pitchBendRange;
        default: return nullptr;
    }
}

Instrument* Quaxel2::instrumentParameter(VstInt32 index, int& parameter) const {
    const Rack& rack = *engine.getRack(0);
    if (index < 0 || index > kLastInstrumentParam || !rack.getInstrumentAt(0)) return nullptr;
    parameter = index % kInstrumentStride;
    return rack.getInstrumentAt(index / kInstrumentStride);
}

Instrument* Quaxel2::markerTarget(VstInt32 index) const {
    if (!samplePositionParams || index < kFirstSamplePositionParam || index >= kNumParams) return nullptr;
    Instrument* instrument = engine.getRack(0)->getInstrumentAt(markerInstrument(index));
    return instrument && instrument->type != Instrument::kFromCatalogueWithoutMarkers ? instrument : nullptr;
}

void Quaxel2::setParameter(VstInt32 index, float value) {
    if (index < 0) return;  // no target and nothing an editor could show
    bool reached;
    {
        Locked<EngineMutex> lock(engine.mutex());
        reached = applyParameter(index, value);
    }
    if (reached) notifyEditor(index, value);
}

bool Quaxel2::applyParameter(VstInt32 index, float value) {
    if (index <= kLastInstrumentParam) {
        int parameter = 0;
        Instrument* instrument = instrumentParameter(index, parameter);
        if (!instrument) return false;
        instrument->setParameter(parameter, value);
        return true;
    }
    if (isDelayIndex(index)) engine.getDelay().setParameter(index - kFirstDelayParam, value);
    if (RelaxedFloat* field = masterField(index)) {
        *field = value;
        regions.mirrorMasterValue(index - kMasterVolume, value);
    }
    if (samplePositionParams && index >= kFirstSamplePositionParam) {
        Instrument* instrument = engine.getRack(0)->getInstrumentAt(markerInstrument(index));
        if (!instrument) return false;
        if (instrument->markersFixed()) return true;
        Sample* sample = instrument->getSample(0, -1, -1);
        const int frame = markerFrame(value, sample->length);
        switch (markerKind(index)) {
            case kLoopStartMarker: sample->setLoopStart(frame); break;
            case kLoopEndMarker: sample->setLoopEnd(frame); break;
            case kStartMarker: sample->setStartPlay(frame); break;
            default: break;
        }
    }
    return true;
}

// The editor program hears of every change that got this far, while it is
// open; any thread, the audio thread included (the editor only queues it).
void Quaxel2::notifyEditor(VstInt32 index, float value) {
    if (uiEditor) uiEditor->setParameter(index, value);
}

// Stored values are kept as given (a state may carry any float); the host
// always reads a number within 0..1.
float Quaxel2::getParameter(VstInt32 index) { return normalised(storedParameter(index)); }

float Quaxel2::storedParameter(VstInt32 index) {
    if (index < 0) return 0.0f;
    Locked<EngineMutex> lock(engine.mutex());
    if (index <= kLastInstrumentParam) {
        int parameter = 0;
        Instrument* instrument = instrumentParameter(index, parameter);
        return instrument ? instrument->getParameter(parameter) : 0.0f;
    }
    if (isDelayIndex(index)) return engine.getDelay().getParameter(index - kFirstDelayParam);
    if (isMasterIndex(index)) return *masterField(index);
    if (Instrument* instrument = markerTarget(index)) {
        const Sample* sample = instrument->getSample(0, -1, -1);
        switch (markerKind(index)) {
            case kLoopStartMarker: return markerValue(sample->loopStart, sample->length);
            case kLoopEndMarker: return markerValue(sample->loopEnd, sample->length);
            case kStartMarker: return markerValue(sample->startPlay, sample->length);
            default: return 0.0f;
        }
    }
    return 0.0f;
}

void Quaxel2::getParameterName(VstInt32 index, char* text) {
    if (index >= 0 && index <= kLastInstrumentParam) {
        Locked<EngineMutex> lock(engine.mutex());
        if (!engine.getRack(0)->getInstrumentAt(0)) return;  // the host's text stays as it was
        int parameter = 0;
        const Instrument* instrument = instrumentParameter(index, parameter);
        char name[kMaxParamNameLength + 1] = "";
        if (instrument)
            std::snprintf(name, sizeof name, "%d%s", index / kInstrumentStride,
                          instrument->getParameterName(parameter).c_str());
        copyText(text, name, kMaxParamNameLength);
        return;
    }
    if (isDelayIndex(index)) {
        Locked<EngineMutex> lock(engine.mutex());
        copyText(text, "dly ", kMaxParamNameLength);
        appendText(text, engine.getDelay().getParameterName(index - kFirstDelayParam), kMaxParamNameLength);
    } else if (isMasterIndex(index)) {
        copyText(text, kMasterNames[index - kMasterVolume], kMaxParamNameLength);
    } else {
        *text = 0;
    }
}
