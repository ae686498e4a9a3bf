// What the editor program's window does with the plug-in's messages. The
// communication layer decodes the messages and calls this.
#pragma once

#include <cstdint>
#include <string_view>

struct InstrumentData;
struct SampleData;

class EditorWindow {
public:
    virtual ~EditorWindow() = default;

    // Embeds into the host's window: at start-up, and again on re-attach.
    virtual void embedInto(uint64_t window) = 0;
    // A parameter's control shows the value (global parameter index).
    virtual void setParameter(int32_t index, float value) = 0;
    // A new instrument's view; `record` is its slot in the instrument
    // region, or null when no slot carries the id.
    virtual void addInstrument(int32_t id, std::string_view name, InstrumentData* record) = 0;
    // A host note for the on-screen keyboard (status 144 on, 128 off).
    virtual void showNote(uint8_t status, uint8_t note, uint8_t velocity) = 0;
    // Rebuilds every instrument view from the 16 slots; null without region.
    virtual void reload(InstrumentData* records) = 0;
    // The waveform view redraws from the record; null without region.
    virtual void waveformReady(SampleData* record) = 0;
    // The plug-in's current program, a program's name (single-byte
    // characters), and the largest output samples since the last level.
    virtual void showProgram(int32_t program) = 0;
    virtual void setProgramName(int32_t program, std::string_view name) = 0;
    virtual void setOutputLevel(float left, float right) = 0;
    // Ends the program with status 0.
    virtual void quit() = 0;
};
