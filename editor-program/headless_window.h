// Stands in for the Qt window until it exists: logs each message as one
// line and ends the program on quit.
#pragma once

#include "editor-program/editor_window.h"

class HeadlessWindow : public EditorWindow {
public:
    void embedInto(uint64_t window) override;
    void setParameter(int32_t index, float value) override;
    void addInstrument(int32_t id, std::string_view name, InstrumentData* record) override;
    void showNote(uint8_t status, uint8_t note, uint8_t velocity) override;
    void reload(InstrumentData* slots) override;
    void waveformReady(SampleData* record) override;
    void quit() override { quitRequested = true; }

    bool quitRequested = false;
};
