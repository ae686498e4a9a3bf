// Logs each of the plug-in's messages as one "Quaxel2UI > ..." line, then
// hands it on to the real window. Switched on by QUAXEL2_UI_TRACE in the
// environment (the bridge's tests read these lines); off, it only forwards.
#pragma once

#include "editor-program/editor_window.h"

class TraceWindow : public EditorWindow {
public:
    explicit TraceWindow(EditorWindow& window);

    void embedInto(uint64_t window) override;
    void setParameter(int32_t index, float value) override;
    void addInstrument(int32_t id, std::string_view name, InstrumentData* record) override;
    void showNote(uint8_t status, uint8_t note, uint8_t velocity) override;
    void reload(InstrumentData* records) override;
    void waveformReady(SampleData* record) override;
    void showProgram(int32_t program) override;
    void setProgramName(int32_t program, std::string_view name) override;
    // Not logged: it comes every few milliseconds while sound plays.
    void setOutputLevel(float left, float right) override { window.setOutputLevel(left, right); }
    void quit() override { window.quit(); }

private:
    EditorWindow& window;
    const bool tracing;
};
