// One VST 2.4 plug-in loaded from its shared object, with audio rendered on a
// thread of its own for as long as it is loaded, as a live host does.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/vst2.h"

class PluginHost {
public:
    PluginHost(double sampleRate, int blockSize) : sampleRate(sampleRate), blockSize(blockSize) {}
    ~PluginHost() { unload(); }
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // dlopen, VSTPluginMain, effOpen, rate and block, resume, audio thread.
    // Prints why on standard error and returns false when it fails.
    bool load(const std::string& path);
    // Stops the audio, suspends, effClose, dlclose.
    void unload();

    bool hasEditor() const;
    // The editor's size from effEditGetRect; 0 x 0 if it gives none.
    void editorSize(int& width, int& height) const;
    void openEditor(unsigned long window);
    void closeEditor();
    void idle();
    // What the host does when the plug-in asks its editor window to take
    // another size (audioMasterSizeWindow); true when it did.
    std::function<bool(int width, int height)> resizeEditor;

    float parameter(int index) const;
    // effSetProgram, as a host's preset menu does.
    void setProgram(int program);
    // effGetProgram and effGetProgramName; effGetProgramNameIndexed.
    int program() const;
    std::string programName() const;
    std::string programName(int program) const;
    // Sent through effProcessEvents before the next block.
    void queueMidi(int status, int data1, int data2);
    // The largest absolute output sample since the last call.
    float takePeak() { return peak.exchange(0.0f); }

    const double sampleRate;
    const int blockSize;

private:
    void render();
    void processBlock(std::vector<float*>& inputs, std::vector<float*>& outputs);

    void* library = nullptr;
    AEffect* effect = nullptr;
    bool editorOpen = false;
    std::thread audio;
    std::atomic<bool> running{false};
    std::atomic<float> peak{0.0f};
    std::mutex midiLock;
    std::vector<VstMidiEvent> pendingMidi;
};
