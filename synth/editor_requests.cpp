#include "synth/editor_requests.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "editor/quaxel2_editor.h"
#include "instruments/instrument.h"
#include "synth/quaxel2.h"

void EditorRequests::parameter(int32_t index, float value) { plugin.setParameterAutomated(index, value); }

// Called with the structure lock held since the instrument joined the
// rack, so that no program change can free it before it is announced.
void EditorRequests::announce(Instrument* instrument) {
    Quaxel2Editor* editor = plugin.getEditorBridge();
    if (instrument && editor) editor->send(toUi::instrumentAdded(plugin.instrumentId(instrument), instrument->name));
}

// The file or embedded sound decodes on the loads' thread without any
// lock, so that the host's calls meanwhile (saving, program changes,
// closing the editor) and the editor's later messages need not wait; the
// instrument joins whatever rack is current when it is done.
void EditorRequests::loadString(std::string_view text) {
    loads.add([this, name = std::string(text)] {
        std::unique_ptr<Instrument> loaded = plugin.loadInstrumentFromString(name);
        Locked<StructureMutex> structure(plugin.structureLock());
        announce(plugin.addLoadedInstrument(std::move(loaded)));
    });
}

void EditorRequests::loadPath(std::string_view path) {
    loads.add([this, file = std::string(path)] {
        std::unique_ptr<Instrument> loaded = plugin.loadInstrumentFromPath(file);
        Locked<StructureMutex> structure(plugin.structureLock());
        announce(plugin.addLoadedInstrument(std::move(loaded)));
    });
}

// Notes of the editor's keyboard take the engine's path for notes, on the
// channel of their own; they are not echoed back.
void EditorRequests::midi(uint8_t status, uint8_t note, uint8_t velocity) {
    if (status == 144) plugin.play(note, velocity, 0, -1);
    if (status == 128) plugin.stop(note, velocity, 0, -1);
}

void EditorRequests::resetParameters(int32_t id) {
    plugin.withInstruments(id, -1, [&](Instrument* instrument, Instrument*) { plugin.resetParameters(instrument); });
}

void EditorRequests::copyParameters(int32_t source, int32_t destination) {
    plugin.withInstruments(source, destination,
                           [&](Instrument* from, Instrument* to) { plugin.copyParameterFrom(from, to); });
}

// The copy decodes on the loads' thread like any load, and takes the
// values and markers the original had when it was asked for.
void EditorRequests::clone(int32_t id) {
    std::optional<Quaxel2::Likeness> original;
    plugin.withInstruments(id, -1, [&](Instrument* instrument, Instrument*) {
        if (instrument) original = plugin.likenessOf(instrument);
    });
    if (!original) return;
    loads.add([this, original = std::move(*original)] {
        std::unique_ptr<Instrument> loaded = original.fromPath ? plugin.loadInstrumentFromPath(original.source)
                                                               : plugin.loadInstrumentFromString(original.source);
        Locked<StructureMutex> structure(plugin.structureLock());
        Instrument* copy = plugin.addLoadedInstrument(std::move(loaded));
        if (copy) plugin.giveLikeness(original, copy);
        announce(copy);
    });
}

void EditorRequests::showWaveform(int32_t id) {
    Quaxel2Editor* editor = plugin.getEditorBridge();
    if (!editor) return;
    plugin.withInstruments(id, -1, [&](Instrument* instrument, Instrument*) {
        // The frames are copied outside the engine lock: they never change,
        // and the structure lock keeps the instrument alive meanwhile.
        if (instrument) editor->display().setWaveform(plugin.bindSampleRecord(instrument));
    });
    editor->send(toUi::waveformReady());
}

void EditorRequests::refreshPeaks() {
    Quaxel2Editor* editor = plugin.getEditorBridge();
    if (!editor) return;
    editor->display().processPeak();
    editor->send(toUi::waveformReady());
}

// No lock is held when the host hears of it: a host may answer by asking
// for the program and its name at once, which takes the structure lock.
void EditorRequests::selectProgram(int32_t program) {
    if (program < 0 || program >= Quaxel2::kNumPrograms) return;
    plugin.setProgram(program);
    plugin.updateDisplay();
}

void EditorRequests::renameProgram(int32_t program, std::string_view name) {
    if (plugin.renameProgram(program, name)) plugin.updateDisplay();
}

void EditorRequests::programsWanted() { plugin.tellEditorPrograms(true); }

void EditorRequests::windowScale(int32_t percent) {
    if (Quaxel2Editor* editor = plugin.getEditorBridge()) editor->setWindowScale(percent);
}

void EditorRequests::unhandled(uint8_t opcode) {
    std::printf("Quaxel2VST > processMessageFromUI : unhandled opcode %x\n", static_cast<int>(static_cast<signed char>(opcode)));
    std::fflush(stdout);
}
