// Programs: storing the live rack and delay into a program, rebuilding them
// from one, and the editor's reset, copy and clone of instruments.
#include <atomic>

#include "contract/parameter_map.h"
#include "contract/parameter_tables.h"
#include "editor/quaxel2_editor.h"
#include "instruments/instrument.h"
#include "synth/quaxel2.h"

namespace {

// What a program keeps of one instrument, read under the engine lock into
// fixed storage: nothing there may allocate.
struct InstrumentState {
    const Instrument* instrument;
    std::array<float, InstrumentProgram::kValues> values;
    int type;
    int midiChannel;
    bool storeStart;
    bool storeLoop;
    int startPlay;
    int loopStart;
    int loopEnd;
};

}  // namespace

// Any thread may ask, the audio thread included: no lock, a relaxed read.
VstInt32 Quaxel2::getProgram() { return std::atomic_ref<VstInt32>(curProgram).load(std::memory_order_relaxed); }

void Quaxel2::setProgram(VstInt32 program) {
    if (program < 0 || program >= kNumPrograms) return;
    Locked<StructureMutex> structure(programs.lock());
    engine.freeRemovedInstruments();
    copyStateToProgram(&programs.at(curProgram));
    if (uiEditor) uiEditor->clearView();
    std::unique_ptr<Rack> built = buildProgramRack(programs.at(program));
    std::unique_ptr<Rack> old;
    {
        Locked<EngineMutex> lock(engine.mutex());
        std::atomic_ref<VstInt32>(curProgram).store(program, std::memory_order_relaxed);
        engine.setMasters(&programs.at(program));
        old = publishRack(std::move(built), programs.at(program));
    }
    reloadEditor();
    tellEditorPrograms(false);
}

void Quaxel2::copyStateToProgram(Program* program) {
    Locked<StructureMutex> structure(programs.lock());
    std::array<InstrumentState, Rack::kCapacity> states;
    std::array<float, DelayProgram::kValues> delayValues{};
    int count = 0;
    {
        Locked<EngineMutex> lock(engine.mutex());
        const Rack& rack = *engine.getRack(0);
        const Delay& delay = engine.getDelay();
        count = rack.getCount();
        for (int i = 0; i < count; i++) {
            Instrument& instrument = *rack.getInstrumentAt(i);
            InstrumentState& state = states[i];
            state.instrument = &instrument;
            for (int j = 0; j < InstrumentProgram::kValues; j++) state.values[j] = instrument.getParameter(j);
            state.type = instrument.type;
            state.midiChannel = instrument.answeredChannel();
            state.storeStart = instrument.type != Instrument::kFromCatalogueWithoutMarkers;
            state.storeLoop = state.storeStart && instrument.getParameter(Instrument::kLoop) == 1.0f;
            const Sample* sample = instrument.getSample(0, -1, -1);
            state.startPlay = sample->startPlay;
            state.loopStart = sample->loopStart;
            state.loopEnd = sample->loopEnd;
        }
        for (int j = 0; j < delay.getParameterCount() && j < DelayProgram::kValues; j++)
            delayValues[j] = delay.getParameter(j);
    }
    // Names and paths never change once an instrument is in the rack, and
    // only holders of the structure lock free instruments.
    program->instrumentCount = count;
    for (int i = 0; i < count; i++) {
        const InstrumentState& state = states[i];
        InstrumentProgram& entry = program->instruments[i];
        entry.values = state.values;
        entry.type = state.type;
        entry.name = state.instrument->name;
        entry.path = state.instrument->path;
        entry.midiChannel = state.midiChannel;
        if (state.storeStart) entry.startPlay = state.startPlay;
        if (state.storeLoop) {
            entry.loopStart = state.loopStart;
            entry.loopEnd = state.loopEnd;
        }
    }
    program->delay.values = delayValues;
}

void Quaxel2::copyStateFromProgram() {
    Locked<StructureMutex> structure(programs.lock());
    std::unique_ptr<Rack> built = buildProgramRack(programs.at(curProgram));
    std::unique_ptr<Rack> old;
    {
        Locked<EngineMutex> lock(engine.mutex());
        old = publishRack(std::move(built), programs.at(curProgram));
    }
}

std::unique_ptr<Rack> Quaxel2::buildProgramRack(const Program& program) {
    auto rack = std::make_unique<Rack>();
    UnpublishedInstruments unpublished;
    for (int e = 0; e < program.instrumentCount; e++) {
        const InstrumentProgram& entry = program.instruments[e];
        std::unique_ptr<Instrument> instrument;
        if (entry.type == Instrument::kFromCatalogue || entry.type == Instrument::kFromCatalogueWithoutMarkers)
            instrument = makeInstrumentFromString(entry.name);
        else if (entry.type == Instrument::kFromPath) {
            bool tooLong = false;  // then that was said already
            instrument = makeInstrumentFromPath(entry.path, &tooLong);
            if (!instrument) instrument = makeMissingInstrument(entry, !tooLong);
        }
        if (!instrument) continue;  // its place goes to the next one
        instrument->name = entry.name;
        instrument->path = entry.path;
        instrument->midiChannel = entry.midiChannel;
        instrument->type = entry.type;
        for (int j = 0; j < instrument->getParameterCount() && j < InstrumentProgram::kValues; j++)
            instrument->setParameter(j, entry.values[j]);
        if (entry.type != Instrument::kFromCatalogueWithoutMarkers && !instrument->missing) {
            Sample* sample = instrument->getSample(0, -1, -1);
            sample->setStartPlay(entry.startPlay);
            if (instrument->getParameter(Instrument::kLoop) == 1.0f) {
                sample->setLoopStart(entry.loopStart);
                sample->setLoopEnd(entry.loopEnd);
            }
        }
        if (rack->addInstrument(instrument.get())) static_cast<void>(instrument.release());  // the rack owns it
    }
    return rack;
}

std::unique_ptr<Rack> Quaxel2::publishRack(std::unique_ptr<Rack> built, const Program& program) {
    Rack& leaving = *engine.getRack(0);
    for (int i = 0; i < leaving.getCount(); i++) {
        Instrument* instrument = leaving.getInstrumentAt(i);
        if (instrument->data) writeShared(instrument->data->id, -1);  // free for the newcomers
        instrument->data = nullptr;
    }
    std::unique_ptr<Rack> old = engine.replaceRack(std::move(built));
    // Binding shows each instrument's values, channel, loop and markers.
    Rack& arriving = *engine.getRack(0);
    for (int i = 0; i < arriving.getCount(); i++) regions.attach(arriving.getInstrumentAt(i));
    Delay& delay = engine.getDelay();
    for (int j = 0; j < delay.getParameterCount() && j < DelayProgram::kValues; j++)
        delay.setParameter(j, program.delay.values[j]);
    // The editor's master sliders read the program's master values from the
    // delay block, which only this and parameter changes write.
    const float masters[] = {program.masterVolume, program.masterTune, program.velocitySensitivity,
                             program.pitchBendRange};
    for (int which = 0; which < 4; which++) regions.mirrorMasterValue(which, masters[which]);
    return old;
}

// The parameters a reset returns to their first values, in the order they
// are set; the editor switches 4 and 6 to 9 keep theirs.
constexpr int kResetParameters[] = {
    Instrument::kVolume, Instrument::kPan,    Instrument::kTune,    Instrument::kFinetune,    Instrument::kLoop,
    Instrument::kVolA,   Instrument::kVolD,   Instrument::kVolS,    Instrument::kVolR,        Instrument::kPitchA,
    Instrument::kPitchD, Instrument::kPitchR, Instrument::kPitchEg, Instrument::kReverse,     Instrument::kInterpolate,
    Instrument::kGrain,  Instrument::kGrainAdvance,
};

void Quaxel2::resetParameters(Instrument* instrument) {
    if (!instrument) return;
    Locked<StructureMutex> structure(programs.lock());
    int base;
    {
        Locked<EngineMutex> lock(engine.mutex());  // ids move when instruments leave
        if (instrument->data && readShared(instrument->data->deleteRequest)) return;
        base = parameter_map::instrumentIndex(instrument->id, 0);
    }
    for (int number : kResetParameters) setParameterAutomated(base + number, kInstrumentParameters[number].value);
    if (instrument->type == Instrument::kFromCatalogueWithoutMarkers || instrument->missing) return;
    Locked<EngineMutex> lock(engine.mutex());
    instrument->getSample(0, -1, -1)->setStartPlay(0);
}

void Quaxel2::copyParameterFrom(Instrument* source, Instrument* destination) {
    if (!source || !destination) return;
    Locked<StructureMutex> structure(programs.lock());
    giveLikeness(likenessOf(source), destination);
}

Quaxel2::Likeness Quaxel2::likenessOf(Instrument* instrument) {
    Likeness likeness;
    likeness.fromPath = instrument->type == Instrument::kFromPath;
    likeness.source = likeness.fromPath ? instrument->path : instrument->name;
    for (int j = 0; j < Instrument::kParameterCount; j++) likeness.values[j] = instrument->getParameter(j);
    likeness.markers = instrument->type != Instrument::kFromCatalogueWithoutMarkers;
    Locked<EngineMutex> lock(engine.mutex());
    const Sample* sample = instrument->getSample(0, -1, -1);
    likeness.startPlay = sample->startPlay;
    likeness.loopStart = sample->loopStart;
    likeness.loopEnd = sample->loopEnd;
    return likeness;
}

void Quaxel2::giveLikeness(const Likeness& likeness, Instrument* destination) {
    Locked<StructureMutex> structure(programs.lock());
    const int count = std::min(destination->getParameterCount(), Instrument::kParameterCount);
    int base;
    {
        Locked<EngineMutex> lock(engine.mutex());
        base = parameter_map::instrumentIndex(destination->id, 0);
    }
    for (int j = 0; j < count; j++) setParameterAutomated(base + j, likeness.values[j]);
    if (!likeness.markers || destination->missing) return;
    Locked<EngineMutex> lock(engine.mutex());
    Sample* to = destination->getSample(0, -1, -1);
    to->setStartPlay(likeness.startPlay);
    // Each marker is clamped against the other: move first the one that
    // would otherwise be held back by the destination's old loop.
    if (likeness.loopStart >= to->loopEnd) {
        to->setLoopEnd(likeness.loopEnd);
        to->setLoopStart(likeness.loopStart);
    } else {
        to->setLoopStart(likeness.loopStart);
        to->setLoopEnd(likeness.loopEnd);
    }
}

Instrument* Quaxel2::cloneInstrument(Instrument* instrument) {
    if (!instrument) return nullptr;
    return instrument->type == Instrument::kFromPath ? createInstrumentFromPath(instrument->path)
                                                     : createInstrumentFromString(instrument->name);
}
