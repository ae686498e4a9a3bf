#include "synth/quaxel2.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "contract/defaults.h"
#include "dsp/pitch_tables.h"
#include "editor/quaxel2_editor.h"
#include "host/export.h"
#include "host/textcopy.h"
#include "instruments/catalogue.h"
#include "instruments/instrument.h"

// The factory bank: a version-2 bank chunk compiled into the plug-in.
extern "C" QX_EXPORT const unsigned char bank[];
extern "C" QX_EXPORT const int32_t bank_size;

// The plug-in makes its editor itself; a caller of the factory gets that one,
// as a second editor would fight the first over the same FIFOs.
QX_EXPORT AEffEditor* createEditor(AudioEffectX* effect) {
    auto* plugin = dynamic_cast<Quaxel2*>(effect);
    return plugin ? plugin->getEditor() : nullptr;
}

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    // A host gets null rather than an exception when no object can be made.
    try {
        return new Quaxel2(audioMaster);
    } catch (...) {
        return nullptr;
    }
}

Quaxel2::Quaxel2(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams),  // the frame; the programs and the delay are members
      instanceNumber(claim.number()),
      regions(instanceNumber) {  // created, cleared, every slot free
    // What the host sees of us.
    setNumInputs(0);
    isSynth(true);
    setUniqueID(kUniqueId);
    setNumOutputs(2);
    canProcessReplacing(true);
    programsAreChunks(true);

    // Process-wide tables.
    makeFrequencyTab();
    makeName();

    // The voices play by the master values of the current program; the
    // delay keeps its parameters in the instrument region, after the slots.
    {
        Locked<EngineMutex> lock(engine.mutex());
        engine.setMasters(&programs.masters(0));
        Delay& delay = engine.getDelay();
        delay.setSharedRecords(regions.delayRecords());
        delay.initData();
        for (const defaults::DelaySetting& setting : defaults::kDelayAtPluginStart)
            delay.setParameter(setting.parameter, setting.value);
    }
    // The factory bank fills all programs and builds program 0; no editor
    // exists yet to be told.
    setChunk2(const_cast<unsigned char*>(bank), bank_size, false);
    // The editor registers itself with the frame, which owns it.
    uiEditor = new Quaxel2Editor(this, instanceNumber, regions.sampleRecord(), &requests);
}

// The editor goes first: its poll may be carrying out a request on this
// object. Then the engine: its instruments mark their shared records free
// and the delay points into the region (the members' order sees to that).
Quaxel2::~Quaxel2() {
    requests.stopLoads();  // a load announces itself through the editor
    AEffEditor* bridge = editor;
    setEditor(nullptr);
    uiEditor = nullptr;
    delete bridge;
}

void Quaxel2::reloadEditor() {
    if (uiEditor) uiEditor->send(toUi::reload());
}

// ---- audio and MIDI --------------------------------------------------------------

VstInt32 Quaxel2::processEvents(VstEvents* events) {
    // The editor program lights its keys for the host's notes, played or not.
    if (events && uiEditor) {
        for (VstInt32 e = 0; e < events->numEvents; e++) {
            const VstEvent* event = events->events[e];
            if (!event || event->type != kVstMidiType) continue;
            const auto* bytes = reinterpret_cast<const VstMidiEvent*>(event)->midiData;
            const int kind = bytes[0] & 0xF0, channel = bytes[0] & 0x0F, note = static_cast<signed char>(bytes[1]);
            const int velocity = static_cast<signed char>(bytes[2]);
            if (kind == 0x90 && velocity != 0) uiEditor->hostNoteOn(channel, note, velocity);
            if ((kind == 0x90 && velocity == 0) || kind == 0x80) uiEditor->hostNoteOff(channel, note, velocity);
            // All notes off, which mono mode on implies, as the engine takes them.
            if (kind == 0xB0 && (note == 123 || note == 126)) uiEditor->hostAllNotesOff();
        }
    }
    engine.keepEvents(events);
    return 1;
}

void Quaxel2::processReplacing(float** /*inputs*/, float** outputs, VstInt32 sampleFrames) {
    if (!outputs || !outputs[0] || !outputs[1]) return;
    // The host is asked for its tempo before the engine is locked: a host
    // that calls back into the plug-in from there must not find it held.
    const VstTimeInfo* time = getTimeInfo(kVstTempoValid);
    const double tempo = time ? time->tempo : 0.0;
    engine.render(outputs, sampleFrames, time ? &tempo : nullptr);
    if (uiEditor) uiEditor->meterOutput(outputs[0], outputs[1], sampleFrames);
}

void Quaxel2::setBlockSize(VstInt32 size) {
    Locked<StructureMutex> structure(programs.lock());
    engine.freeRemovedInstruments();
    AudioEffect::setBlockSize(size);
    engine.setBlockSize(size);
}

void Quaxel2::setSampleRate(float rate) {
    Locked<StructureMutex> structure(programs.lock());
    AudioEffect::setSampleRate(rate);
    engine.setSampleRate(rate);
}

void Quaxel2::setGrainSize(int size) {
    if (size < 200 || size > 2000) return;
    Locked<EngineMutex> lock(engine.mutex());
    engine.setGrainSize(size);
    Rack& rack = *engine.getRack(0);
    for (int i = 0; i < rack.getCount(); i++) {
        Instrument* instrument = rack.getInstrumentAt(i);
        instrument->grainPeriod = size;
        applyParameter(parameter_map::instrumentIndex(instrument->id, Instrument::kGrainAdvance),
                       instrument->getParameter(Instrument::kGrainAdvance));
    }
}

// ---- programs ----------------------------------------------------------------

static_assert(kMaxProgramNameLength == program_list::kMaxNameLength);

void Quaxel2::setProgramName(char* name) {
    Locked<StructureMutex> structure(programs.lock());
    renameProgram(curProgram, name ? std::string_view(name, strnlen(name, kMaxProgramNameLength)) : "");
}

bool Quaxel2::renameProgram(int program, std::string_view name) {
    Locked<StructureMutex> structure(programs.lock());
    if (program != curProgram) return false;
    const std::string text(name);  // copied up to its first zero, as a host's text ends there
    char bounded[kMaxProgramNameLength + 1];
    copyText(bounded, text.c_str(), kMaxProgramNameLength);
    programs.at(curProgram).name = bounded;
    if (uiEditor) uiEditor->send(toUi::programName(curProgram, bounded));
    return true;
}

void Quaxel2::tellEditorPrograms(bool allNames) {
    if (!uiEditor) return;
    Locked<StructureMutex> structure(programs.lock());
    // The names as a host reads them.
    const int first = allNames ? 0 : curProgram;
    const int end = allNames ? kNumPrograms : curProgram + 1;
    for (int program = first; program < end; program++) {
        char bounded[kMaxProgramNameLength + 1];
        copyText(bounded, programs.at(program).name.c_str(), kMaxProgramNameLength);
        uiEditor->send(toUi::programName(program, bounded));
    }
    uiEditor->send(toUi::currentProgram(curProgram));
}

void Quaxel2::getProgramName(char* name) {
    Locked<StructureMutex> structure(programs.lock());
    copyText(name, programs.at(curProgram).name.c_str(), kMaxProgramNameLength);
}

bool Quaxel2::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
    if (index < 0 || index >= kNumPrograms) return false;
    Locked<StructureMutex> structure(programs.lock());
    copyText(text, programs.at(index).name.c_str(), kMaxProgramNameLength);
    return true;
}

// ---- fixed answers -------------------------------------------------------------

bool Quaxel2::getEffectName(char* name) {
    copyText(name, "Quaxel2", kMaxEffectNameLength);
    return true;
}

bool Quaxel2::getVendorString(char* text) {
    copyText(text, "Mirthwork & DJ Tolm", kMaxVendorStringLength);
    return true;
}

bool Quaxel2::getProductString(char* text) {
    copyText(text, "Quaxel 2 VST", kMaxProductStringLength);
    return true;
}

VstInt32 Quaxel2::canDo(char* text) {
    return std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0 ? 1 : -1;
}

bool Quaxel2::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    if (index < 0 || index > 1) return false;
    std::snprintf(properties->label, sizeof properties->label, "tmpl out %1d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

void Quaxel2::getParameterLabel(VstInt32 /*index*/, char* label) { *label = 0; }

void Quaxel2::getParameterDisplay(VstInt32 /*index*/, char* text) { *text = 0; }

ShownSample Quaxel2::bindSampleRecord(Instrument* shown) {
    SampleData* record = regions.sampleRecord();
    Locked<EngineMutex> lock(engine.mutex());
    for (int r = 0; r < engine.getRackCount(); r++) {
        const Rack* rack = engine.getRack(r);
        for (int i = 0; rack && i < rack->getCount(); i++) {
            Instrument* instrument = rack->getInstrumentAt(i);
            if (Sample* sample = instrument->getSample(0, -1, -1))
                sample->setSampleData(instrument == shown ? record : nullptr);
        }
    }
    return ShownSample::of(shown);
}
