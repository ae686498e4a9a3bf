// Programs: storing the live rack and delay into a program, rebuilding them
// from one, and the editor's reset, copy and clone of instruments.
#include "instruments/instrument.h"
#include "synth/quaxel2.h"

void Quaxel2::setProgram(VstInt32 program) {
    if (program < 0 || program >= kNumPrograms) return;
    copyStateToProgram(&programs[curProgram]);
    curProgram = program;
    racks[0]->clear();
    copyStateFromProgram();
}

void Quaxel2::copyStateToProgram(Program* program) {
    const Rack& rack = *racks[0];
    program->instrumentCount = rack.getCount();
    for (int i = 0; i < rack.getCount(); i++) {
        const Instrument& instrument = *rack.getInstrumentAt(i);
        InstrumentProgram& entry = program->instruments[i];
        for (int j = 0; j < instrument.getParameterCount() && j < InstrumentProgram::kValues; j++)
            entry.values[j] = instrument.getParameter(j);
        entry.type = instrument.type;
        entry.name = instrument.name;
        entry.path = instrument.path;
        // The channel the editor shows (and may have changed) is the one kept.
        entry.midiChannel = instrument.data ? instrument.data->midiChannel : instrument.midiChannel;
        if (instrument.type == 1) continue;
        const Sample* sample = const_cast<Instrument&>(instrument).getSample(0, -1, -1);
        entry.startPlay = sample->startPlay;
        if (instrument.getParameter(Instrument::kLoop) == 1.0f) {
            entry.loopStart = sample->loopStart;
            entry.loopEnd = sample->loopEnd;
        }
    }
    for (int j = 0; j < delay->getParameterCount() && j < DelayProgram::kValues; j++)
        program->delay.values[j] = delay->getParameter(j);
}

void Quaxel2::copyStateFromProgram() {
    const Program& program = programs[curProgram];
    for (int e = 0; e < program.instrumentCount; e++) {
        const InstrumentProgram& entry = program.instruments[e];
        Instrument* instrument = nullptr;
        if (entry.type == 0 || entry.type == 1)
            instrument = createInstrumentFromString(entry.name);
        else if (entry.type == 2)
            instrument = createInstrumentFromPath(entry.path);
        if (!instrument) continue;
        instrument->name = entry.name;
        instrument->path = entry.path;
        instrument->midiChannel = entry.midiChannel;
        if (instrument->data) instrument->data->midiChannel = entry.midiChannel;
        instrument->type = entry.type;
        for (int j = 0; j < instrument->getParameterCount() && j < InstrumentProgram::kValues; j++)
            instrument->setParameter(j, entry.values[j]);
        if (entry.type == 1) continue;
        Sample* sample = instrument->getSample(0, -1, -1);
        sample->setStartPlay(entry.startPlay);
        if (instrument->getParameter(Instrument::kLoop) == 1.0f) {
            sample->setLoopStart(entry.loopStart);
            sample->setLoopEnd(entry.loopEnd);
        }
    }
    for (int j = 0; j < delay->getParameterCount() && j < DelayProgram::kValues; j++)
        delay->setParameter(j, program.delay.values[j]);
}

void Quaxel2::resetParameters(Instrument* instrument) {
    if (!instrument || (instrument->data && instrument->data->deleteRequest)) return;
    const int base = instrument->id * instrument->getParameterCount();
    const std::pair<int, float> defaults[] = {
        {Instrument::kVolume, 1.0f},  {Instrument::kPan, 0.5f},      {Instrument::kTune, 0.5f},
        {Instrument::kFinetune, 0.5f}, {Instrument::kLoop, 0.0f},    {Instrument::kVolA, 0.0f},
        {Instrument::kVolD, 0.0f},    {Instrument::kVolS, 1.0f},     {Instrument::kVolR, 0.0f},
        {Instrument::kPitchA, 0.0f},  {Instrument::kPitchD, 0.0f},   {Instrument::kPitchR, 0.0f},
        {Instrument::kPitchEg, 0.5f}, {Instrument::kReverse, 0.0f},  {Instrument::kInterpolate, 0.0f},
        {Instrument::kGrain, 0.0f},   {Instrument::kGrainAdvance, 0.82f},
    };
    for (auto [number, value] : defaults) setParameterAutomated(base + number, value);
    if (instrument->type != 1) instrument->getSample(0, -1, -1)->setStartPlay(0);
}

void Quaxel2::copyParameterFrom(Instrument* source, Instrument* destination) {
    if (!source || !destination) return;
    const int count = destination->getParameterCount();
    const int base = destination->id * count;
    for (int j = 0; j < count; j++) setParameterAutomated(base + j, source->getParameter(j));
    if (source->type == 1) return;
    const Sample* from = source->getSample(0, -1, -1);
    Sample* to = destination->getSample(0, -1, -1);
    to->setStartPlay(from->startPlay);
    to->setLoopStart(from->loopStart);
    to->setLoopEnd(from->loopEnd);
}

Instrument* Quaxel2::cloneInstrument(Instrument* instrument) {
    if (!instrument) return nullptr;
    return instrument->type == 2 ? createInstrumentFromPath(instrument->path)
                                 : createInstrumentFromString(instrument->name);
}
