#include "tools/editor-host/plugin_host.h"

#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/editor-host/output.h"

namespace {

// One plug-in per process: the callback finds the host here, also while
// VSTPluginMain runs and the AEffect is not known yet.
PluginHost* theHost = nullptr;
std::atomic<int64_t> samplesRendered{0};
thread_local bool onAudioThread = false;

constexpr int kProcessLevelUser = 1, kProcessLevelRealtime = 2;
constexpr int kAutomationOff = 1;

bool canDo(const char* what) {
    static const char* const supported[] = {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo",
                                            "receiveVstEvents", "receiveVstMidiEvent", "sizeWindow",
                                            "supplyIdle"};
    for (const char* name : supported)
        if (what && std::strcmp(what, name) == 0) return true;
    return false;
}

// Playing at 120 bpm in 4/4 from the first rendered sample on.
VstTimeInfo* timeInfo() {
    thread_local VstTimeInfo info;
    const double rate = theHost ? theHost->sampleRate : 44100.0;
    info = VstTimeInfo{};
    info.samplePos = static_cast<double>(samplesRendered.load(std::memory_order_relaxed));
    info.sampleRate = rate;
    info.tempo = 120.0;
    info.ppqPos = info.samplePos / rate * info.tempo / 60.0;
    info.barStartPos = std::floor(info.ppqPos / 4.0) * 4.0;
    info.timeSigNumerator = info.timeSigDenominator = 4;
    info.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    return &info;
}

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
        case audioMasterVersion: return kVstVersion;
        case audioMasterAutomate: printLine("automate %d %.6f", index, static_cast<double>(opt)); return 0;
        case audioMasterIdle: return 0;
        case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(timeInfo());
        case audioMasterGetSampleRate: return theHost ? static_cast<VstIntPtr>(theHost->sampleRate) : 0;
        case audioMasterGetBlockSize: return theHost ? theHost->blockSize : 0;
        case audioMasterGetCurrentProcessLevel: return onAudioThread ? kProcessLevelRealtime : kProcessLevelUser;
        case audioMasterGetAutomationState: return kAutomationOff;
        case audioMasterGetVendorString: std::strcpy(static_cast<char*>(ptr), "Quaxel2"); return 1;
        case audioMasterGetProductString: std::strcpy(static_cast<char*>(ptr), "quaxel2-editor-host"); return 1;
        case audioMasterGetVendorVersion: return 1;
        case audioMasterCanDo: return canDo(static_cast<const char*>(ptr)) ? 1 : 0;
        case audioMasterBeginEdit:
        case audioMasterEndEdit: return 1;
        case audioMasterUpdateDisplay: printLine("update display"); return 1;
        case audioMasterSizeWindow:
            printLine("size %d %d", index, static_cast<int>(value));
            return theHost && theHost->resizeEditor && theHost->resizeEditor(index, static_cast<int>(value)) ? 1 : 0;
        default: return 0;
    }
}

}  // namespace

bool PluginHost::load(const std::string& path) {
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        return false;
    }
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<Entry>(dlsym(library, "main"));
    theHost = this;
    effect = entry ? entry(hostCallback) : nullptr;
    if (!effect || effect->magic != kEffectMagic) {
        std::fprintf(stderr, "%s is not a VST 2.4 plug-in\n", path.c_str());
        effect = nullptr;
        unload();
        return false;
    }
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    effect->dispatcher(effect, effSetBlockSize, 0, blockSize, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    running = true;
    audio = std::thread([this] { render(); });
    return true;
}

void PluginHost::unload() {
    if (effect) {
        closeEditor();
        running = false;
        if (audio.joinable()) audio.join();
        effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        effect = nullptr;
    }
    if (library) dlclose(library);
    library = nullptr;
    theHost = nullptr;
}

bool PluginHost::hasEditor() const { return effect && (effect->flags & effFlagsHasEditor); }

void PluginHost::editorSize(int& width, int& height) const {
    ERect* rect = nullptr;
    effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f);
    width = rect ? rect->right - rect->left : 0;
    height = rect ? rect->bottom - rect->top : 0;
}

void PluginHost::openEditor(unsigned long window) {
    if (editorOpen) return;
    effect->dispatcher(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(window), 0.0f);
    editorOpen = true;
}

void PluginHost::closeEditor() {
    if (!editorOpen) return;
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    editorOpen = false;
}

void PluginHost::idle() {
    if (editorOpen) effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
}

float PluginHost::parameter(int index) const {
    return index >= 0 && index < effect->numParams ? effect->getParameter(effect, index) : 0.0f;
}

void PluginHost::setProgram(int program) {
    if (program >= 0 && program < effect->numPrograms) effect->dispatcher(effect, effSetProgram, 0, program, nullptr, 0.0f);
}

int PluginHost::program() const { return static_cast<int>(effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0.0f)); }

std::string PluginHost::programName() const {
    char name[256] = {};  // as large as hosts give
    effect->dispatcher(effect, effGetProgramName, 0, 0, name, 0.0f);
    return name;
}

std::string PluginHost::programName(int program) const {
    char name[256] = {};
    effect->dispatcher(effect, effGetProgramNameIndexed, program, 0, name, 0.0f);
    return name;
}

void PluginHost::queueMidi(int status, int data1, int data2) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof event;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    std::lock_guard<std::mutex> guard(midiLock);
    pendingMidi.push_back(event);
}

// Blocks at the pace of the sample rate, as a sound card would take them.
void PluginHost::render() {
    onAudioThread = true;
    const std::size_t frames = static_cast<std::size_t>(blockSize);
    std::vector<float> inputBuffer(frames * static_cast<std::size_t>(effect->numInputs), 0.0f);
    std::vector<float> outputBuffer(frames * static_cast<std::size_t>(effect->numOutputs), 0.0f);
    std::vector<float*> inputs, outputs;
    for (int i = 0; i < effect->numInputs; i++) inputs.push_back(&inputBuffer[frames * static_cast<std::size_t>(i)]);
    for (int i = 0; i < effect->numOutputs; i++) outputs.push_back(&outputBuffer[frames * static_cast<std::size_t>(i)]);
    const auto period = std::chrono::duration<double>(blockSize / sampleRate);
    auto due = std::chrono::steady_clock::now();
    while (running.load()) {
        processBlock(inputs, outputs);
        due += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
        const auto now = std::chrono::steady_clock::now();
        // Far behind (a stalled machine): start the pace again from now.
        if (now - due > std::chrono::milliseconds(200)) due = now;
        std::this_thread::sleep_until(due);
    }
}

void PluginHost::processBlock(std::vector<float*>& inputs, std::vector<float*>& outputs) {
    std::vector<VstMidiEvent> midi;
    {
        std::lock_guard<std::mutex> guard(midiLock);
        midi.swap(pendingMidi);
    }
    if (!midi.empty()) {
        std::vector<unsigned char> block(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*), 0);
        auto* events = reinterpret_cast<VstEvents*>(block.data());
        events->numEvents = static_cast<VstInt32>(midi.size());
        for (std::size_t i = 0; i < midi.size(); i++) events->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
        effect->dispatcher(effect, effProcessEvents, 0, 0, events, 0.0f);
    }
    effect->processReplacing(effect, inputs.data(), outputs.data(), blockSize);
    samplesRendered.fetch_add(blockSize, std::memory_order_relaxed);
    float loudest = 0.0f;
    for (float* channel : outputs)
        for (int i = 0; i < blockSize; i++) loudest = std::fmax(loudest, std::fabs(channel[i]));
    float seen = peak.load();
    while (loudest > seen && !peak.compare_exchange_weak(seen, loudest)) {
    }
}
