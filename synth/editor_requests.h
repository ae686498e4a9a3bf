// What the editor program asks of the plug-in, carried out on the poll
// thread: parameters set as if automated, notes of its keyboard, new,
// reset, copied and cloned instruments, the waveform on show, and programs
// picked and renamed. Loads of files and sounds go to a thread of their
// own. Replies go back through the editor's queue.
#pragma once

#include "editor/ui_decoder.h"
#include "synth/editor_loads.h"

class Instrument;
class Quaxel2;

class EditorRequests : public FromUiHandler {
public:
    explicit EditorRequests(Quaxel2& plugin) : plugin(plugin) {}

    void parameter(int32_t index, float value) override;
    void loadString(std::string_view text) override;
    void loadPath(std::string_view path) override;
    void midi(uint8_t status, uint8_t note, uint8_t velocity) override;
    void resetParameters(int32_t id) override;
    void copyParameters(int32_t source, int32_t destination) override;
    void clone(int32_t id) override;
    void showWaveform(int32_t id) override;
    void refreshPeaks() override;
    // A pick or a rename as a host's own would do it, then the host is told
    // to read the program's name again.
    void selectProgram(int32_t program) override;
    void renameProgram(int32_t program, std::string_view name) override;
    void programsWanted() override;
    // The editor program's window size, which the host is asked to follow.
    void windowScale(int32_t percent) override;
    void unhandled(uint8_t opcode) override;

    // Waits for the loads asked for so far.
    void finishLoads() { loads.finish(); }
    // Before the plug-in goes: the load under way ends, the others are dropped.
    void stopLoads() { loads.stop(); }

private:
    void announce(Instrument* instrument);

    Quaxel2& plugin;
    EditorLoads loads;
};
