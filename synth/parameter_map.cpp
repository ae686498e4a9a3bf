// The host's parameters onto their targets, by the map of
// contract/parameter_map.h: instrument parameters of rack 0, the delay, the
// four master values of the current program and the sample markers.
// Everything else is inert: it changes nothing and reads 0.
#include <cstdio>
#include <cstring>
#include <string>

#include "contract/parameter_map.h"
#include "contract/parameter_tables.h"
#include "editor/quaxel2_editor.h"
#include "host/textcopy.h"
#include "instruments/instrument.h"
#include "synth/marker_position.h"
#include "synth/quaxel2.h"

using namespace parameter_map;

namespace {
marker::Kind markerKind(VstInt32 index) {
    return static_cast<marker::Kind>((index - kFirstMarker) % kMarkersPerInstrument);
}
int markerInstrument(VstInt32 index) { return (index - kFirstMarker) / kMarkersPerInstrument; }
}  // namespace

RelaxedFloat* Quaxel2::masterField(VstInt32 index) {
    Program& program = getCurrentProgram();
    switch (index - kFirstMaster) {
        case master::kVolume: return &program.masterVolume;
        case master::kTune: return &program.masterTune;
        case master::kVelocitySensitivity: return &program.velocitySensitivity;
        case master::kPitchBendRange: return &program.pitchBendRange;
        default: return nullptr;
    }
}

Instrument* Quaxel2::instrumentParameter(VstInt32 index, int& parameter) const {
    const Rack& rack = *engine.getRack(0);
    if (!isInstrumentIndex(index) || !rack.getInstrumentAt(0)) return nullptr;
    parameter = index % kPerInstrument;
    return rack.getInstrumentAt(index / kPerInstrument);
}

Instrument* Quaxel2::markerTarget(VstInt32 index) const {
    if (!samplePositionParams || !isMarkerIndex(index)) return nullptr;
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
    if (isInstrumentIndex(index)) {
        int parameter = 0;
        Instrument* instrument = instrumentParameter(index, parameter);
        if (!instrument) return false;
        instrument->setParameter(parameter, value);
        return true;
    }
    if (isDelayIndex(index)) engine.getDelay().setParameter(index - kFirstDelay, value);
    if (RelaxedFloat* field = masterField(index)) {
        *field = value;
        regions.mirrorMasterValue(index - kFirstMaster, value);
    }
    if (samplePositionParams && index >= kFirstMarker) {
        Instrument* instrument = engine.getRack(0)->getInstrumentAt(markerInstrument(index));
        if (!instrument) return false;
        if (instrument->markersFixed()) return true;
        Sample* sample = instrument->getSample(0, -1, -1);
        const int frame = markerFrame(value, sample->length);
        switch (markerKind(index)) {
            case marker::kLoopStart: sample->setLoopStart(frame); break;
            case marker::kLoopEnd: sample->setLoopEnd(frame); break;
            case marker::kStart: sample->setStartPlay(frame); break;
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
    if (isInstrumentIndex(index)) {
        int parameter = 0;
        Instrument* instrument = instrumentParameter(index, parameter);
        return instrument ? instrument->getParameter(parameter) : 0.0f;
    }
    if (isDelayIndex(index)) return engine.getDelay().getParameter(index - kFirstDelay);
    if (isMasterIndex(index)) return *masterField(index);
    if (Instrument* instrument = markerTarget(index)) {
        const Sample* sample = instrument->getSample(0, -1, -1);
        switch (markerKind(index)) {
            case marker::kLoopStart: return markerValue(sample->loopStart, sample->length);
            case marker::kLoopEnd: return markerValue(sample->loopEnd, sample->length);
            case marker::kStart: return markerValue(sample->startPlay, sample->length);
            default: return 0.0f;
        }
    }
    return 0.0f;
}

void Quaxel2::getParameterName(VstInt32 index, char* text) {
    if (isInstrumentIndex(index)) {
        Locked<EngineMutex> lock(engine.mutex());
        if (!engine.getRack(0)->getInstrumentAt(0)) return;  // the host's text stays as it was
        int parameter = 0;
        const Instrument* instrument = instrumentParameter(index, parameter);
        char name[kMaxParamNameLength + 1] = "";
        if (instrument)
            std::snprintf(name, sizeof name, "%d%s", index / kPerInstrument,
                          instrument->getParameterName(parameter).c_str());
        copyText(text, name, kMaxParamNameLength);
        return;
    }
    if (isDelayIndex(index)) {
        Locked<EngineMutex> lock(engine.mutex());
        copyText(text, "dly ", kMaxParamNameLength);
        appendText(text, engine.getDelay().getParameterName(index - kFirstDelay), kMaxParamNameLength);
    } else if (isMasterIndex(index)) {
        copyText(text, kMasterValues[index - kFirstMaster].name, kMaxParamNameLength);
    } else {
        *text = 0;
    }
}
