// The one way the window's widgets reach the plug-in: messages to its FIFO
// and the two shared regions (null when they could not be mapped). The
// user's actions are here, each as the message or the shared-memory write
// it makes; widgets hold a reference to this and to nothing else of the
// window. Everything runs on the GUI thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/shared_layout.h"
#include "editor/ui_messages.h"

class PluginLink {
public:
    virtual ~PluginLink() = default;

    // One write; false when it failed (pipe full, FIFO not open).
    virtual bool send(const UiMessage& message) = 0;
    // The 16 instrument slots, followed by the delay's block.
    virtual InstrumentData* instrumentRegion() const = 0;
    virtual SampleData* sampleRegion() const = 0;

    // ---- the user's actions; false when the message was not written ----
    // A control moved: its global index (contract/parameter_map.h).
    bool sendParameter(int32_t index, float value) { return send(fromUi::parameter(index, value)); }
    bool sendMidiMessage(int status, int note, int velocity) { return send(fromUi::midi(status, note, velocity)); }
    // A built-in sound by its catalogue name; a sample file by its path in UTF-8.
    bool loadBuiltIn(const std::string& name) { return send(fromUi::loadString(name)); }
    bool loadFile(const std::string& path) { return send(fromUi::loadPath(path)); }
    bool resetParameters(int32_t id) { return send(fromUi::resetParameters(id)); }
    // `destination` takes the parameters and markers of `source`.
    bool copyParameters(int32_t source, int32_t destination) { return send(fromUi::copyParameters(source, destination)); }
    bool cloneInstrument(int32_t id) { return send(fromUi::clone(id)); }
    // Asks for an instrument's waveform, or for new peaks of the view the
    // sample record holds; the plug-in answers each with toUiWaveformReady.
    bool showWaveform(int32_t id) { return send(fromUi::showWaveform(id)); }
    bool refreshPeaks() { return send(fromUi::refreshPeaks()); }
    // Makes a program current, as a host's program change does; renames the
    // current one (single-byte characters). The plug-in answers with the
    // program it made current and the name it stored.
    bool selectProgram(int32_t program) { return send(fromUi::selectProgram(program)); }
    bool renameProgram(int32_t program, const std::string& name) { return send(fromUi::renameProgram(program, name)); }
    // Asks for every program's name and the current program.
    bool askForPrograms() { return send(fromUi::programsWanted()); }
    // Writes into the instrument's record (see contract/instrument_data.h):
    // the channel it answers (-1 omni, 0 to 15; anything else is omni), and
    // the request that the plug-in remove it.
    void setMidiChannel(int32_t id, int channel);
    void removeInstrument(int32_t id);

    // ---- what the instrument region holds ----
    // The record that carries the instrument id, or null.
    InstrumentData* findInstrument(int32_t id) const;
    // The taken records, in rack order (the order of their ids).
    std::vector<InstrumentData*> instruments() const;
    // The delay's 8 parameter records, then the 4 master values (value only).
    ParameterRecord* delayBlock() const;
};
