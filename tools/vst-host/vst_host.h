// Loads a VST 2.4 instrument from a shared object and drives it as a host
// does: set-up, switching on, block processing with MIDI and time info, and
// shut-down in the reverse order. The offline renderer and the standalone
// program both host the plug-in through this one class.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/vst2.h"

struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class VstHost {
public:
    // What audioMasterGetCurrentProcessLevel answers: offline for a render;
    // for a live host, realtime on the thread inside process() and user elsewhere.
    enum class Pace { Offline, Live };

    VstHost(std::string product, Pace pace, int sampleRate, int blockSize);
    ~VstHost();  // stops, closes and unloads whatever is still up
    VstHost(const VstHost&) = delete;
    VstHost& operator=(const VstHost&) = delete;

    // dlopen, VSTPluginMain, record checks, effOpen, sample rate and block size.
    void load(const std::string& path);
    // Stops if running, then effClose and dlclose; the plug-in is gone after it.
    void close();
    const std::string& path() const { return path_; }

    // The plug-in's answer: 0 when it refuses the data.
    VstIntPtr setChunk(std::vector<char>& data, bool forProgram);
    // A copy of the chunk the plug-in hands out (empty when it has none).
    std::vector<char> chunk(bool forProgram);
    void setProgram(int program);  // throws HostError outside the plug-in's programs
    int program();
    int programCount() const { return effect_->numPrograms; }
    std::string programName();  // of the current program
    std::string programName(int program);
    int parameterCount() const { return effect_->numParams; }
    void setParameter(int index, float value);
    float parameter(int index) const;

    // The plug-in's editor, embedded into an X11 window of the caller's; all
    // of these on the thread that runs the window.
    bool hasEditor() const { return effect_ && (effect_->flags & effFlagsHasEditor); }
    // False when the plug-in gives no size.
    bool editorSize(int& width, int& height);
    void openEditor(unsigned long window);
    void idleEditor();  // every 20 ms or so while open
    void closeEditor();
    bool editorOpen() const { return editorOpen_; }
    // How requests from the plug-in reach the window: `sizeWindow` (new width
    // and height; true when done) is called on whatever thread the plug-in
    // asks from, mostly inside idleEditor(); `updateDisplay` may come from
    // the audio thread, so it must not block.
    void onSizeWindow(std::function<bool(int, int)> sizeWindow) { sizeWindow_ = std::move(sizeWindow); }
    void onUpdateDisplay(std::function<void()> updateDisplay) { updateDisplay_ = std::move(updateDisplay); }

    // Switches the plug-in on with buffers of blockSize() frames; later blocks
    // may carry up to maxEventsPerBlock events.
    void start(size_t maxEventsPerBlock);
    void stop();  // switches it off
    bool running() const { return running_; }
    // Only while stopped: the next start() takes them.
    void setBlockSize(int frames);
    void setSampleRate(int rate);
    int sampleRate() const { return sampleRate_; }
    int blockSize() const { return blockSize_; }

    // What the plug-in reads through audioMasterGetTime; the caller fills it
    // before each block.
    VstTimeInfo& timeInfo() { return timeInfo_; }
    // Room for the next block's events, as many as start() was given.
    VstMidiEvent* events() { return midiEvents_.data(); }
    size_t eventCapacity() const { return midiEvents_.size(); }
    // One block of `frames` (at most blockSize()) with the first `count` of
    // events(), whose deltaFrames lie inside the block. Allocates nothing.
    void process(size_t count, int frames);
    const float* left() const { return outputs_[0].data(); }
    const float* right() const { return outputs_[outputs_.size() > 1 ? 1 : 0].data(); }

private:
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr);
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    VstEvents* eventList() { return reinterpret_cast<VstEvents*>(eventListStorage_.data()); }

    std::string product_;
    Pace pace_;
    int sampleRate_;
    int blockSize_;
    std::string path_;
    void* library_ = nullptr;
    AEffect* effect_ = nullptr;
    bool running_ = false;
    bool editorOpen_ = false;
    std::function<bool(int, int)> sizeWindow_;
    std::function<void()> updateDisplay_;
    VstTimeInfo timeInfo_{};

    std::vector<VstMidiEvent> midiEvents_;
    // Backs a VstEvents whose pointer array holds every event of the fullest block.
    std::vector<VstIntPtr> eventListStorage_;
    std::vector<std::vector<float>> inputs_, outputs_;
    std::vector<float*> inputPointers_, outputPointers_;
};
