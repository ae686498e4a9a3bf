#include "tools/vst-host/vst_host.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr VstIntPtr kProcessLevelUser = 1;
constexpr VstIntPtr kProcessLevelRealtime = 2;
constexpr VstIntPtr kProcessLevelOffline = 4;
constexpr const char* kVendor = "Quaxel2";

// What this host offers through audioMasterCanDo.
constexpr const char* kHostCanDos[] = {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo",
                                       "startStopProcess"};

// The host answering calls that arrive before a record carries its pointer in
// resvd1: the version query with no record, or calls from the plug-in's constructor.
VstHost* activeHost = nullptr;

// Set on the thread that is inside process(), for the process-level query.
thread_local bool processing = false;

VstIntPtr copyText(void* ptr, const char* text) {
    if (!ptr) return 0;
    std::snprintf(static_cast<char*>(ptr), kMaxVendorStringLength, "%s", text);
    return 1;
}

}  // namespace

VstHost::VstHost(std::string product, Pace pace, int sampleRate, int blockSize)
    : product_(std::move(product)), pace_(pace), sampleRate_(sampleRate), blockSize_(blockSize) {}

VstHost::~VstHost() { close(); }

void VstHost::close() {
    closeEditor();
    if (running_) stop();
    if (effect_) dispatch(effClose);
    effect_ = nullptr;
    if (library_) dlclose(library_);
    library_ = nullptr;
    if (activeHost == this) activeHost = nullptr;
}

void VstHost::load(const std::string& path) {
    path_ = path;
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        throw HostError("cannot open plug-in '" + path + "': " + std::strerror(errno));
    if (!S_ISREG(info.st_mode)) throw HostError("plug-in '" + path + "' is not a file");

    // Without a slash dlopen would search the library path instead of this directory.
    std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
    library_ = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) throw HostError("cannot load plug-in '" + path + "': " + dlerror());

    using EntryPoint = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<EntryPoint>(dlsym(library_, "VSTPluginMain"));
    if (!entry) throw HostError("'" + path + "' is not a VST 2.4 plug-in: no VSTPluginMain entry point");

    activeHost = this;
    AEffect* effect = entry(&VstHost::callback);
    if (!effect) throw HostError("VSTPluginMain of '" + path + "' returned no plug-in");
    if (effect->magic != kEffectMagic) {
        char magic[16];
        std::snprintf(magic, sizeof magic, "0x%08x", static_cast<unsigned>(effect->magic));
        throw HostError("'" + path + "' returned a record without the VST magic (" + magic + ")");
    }
    if (!effect->dispatcher) throw HostError("'" + path + "' returned a record without a dispatcher");
    effect_ = effect;  // from here on the destructor closes it
    effect_->resvd1 = reinterpret_cast<VstIntPtr>(this);

    if (!effect_->processReplacing && !effect_->process)
        throw HostError("'" + path + "' has no processing function");
    if (effect_->numOutputs < 1) throw HostError("'" + path + "' has no audio outputs");

    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate_));
    dispatch(effSetBlockSize, 0, blockSize_);
}

VstIntPtr VstHost::setChunk(std::vector<char>& data, bool forProgram) {
    return dispatch(effSetChunk, forProgram ? 1 : 0, static_cast<VstIntPtr>(data.size()), data.data());
}

std::vector<char> VstHost::chunk(bool forProgram) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, forProgram ? 1 : 0, 0, &data);
    if (!data || size <= 0) return {};
    const char* bytes = static_cast<const char*>(data);
    return std::vector<char>(bytes, bytes + size);
}

void VstHost::setProgram(int program) {
    if (program < 0 || program >= effect_->numPrograms)
        throw HostError("--program " + std::to_string(program) + ": '" + path_ + "' has " +
                        std::to_string(effect_->numPrograms) + " programs");
    dispatch(effBeginSetProgram);
    dispatch(effSetProgram, 0, program);
    dispatch(effEndSetProgram);
}

int VstHost::program() { return static_cast<int>(dispatch(effGetProgram)); }

std::string VstHost::programName() {
    // Room beyond the 24 characters a name may have, for plug-ins that write more.
    char name[256] = {};
    dispatch(effGetProgramName, 0, 0, name);
    name[sizeof name - 1] = '\0';
    return name;
}

std::string VstHost::programName(int program) {
    char name[256] = {};
    dispatch(effGetProgramNameIndexed, program, 0, name);
    name[sizeof name - 1] = '\0';
    return name;
}

bool VstHost::editorSize(int& width, int& height) {
    ERect* rect = nullptr;
    dispatch(effEditGetRect, 0, 0, &rect);
    if (!rect) return false;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return width > 0 && height > 0;
}

void VstHost::openEditor(unsigned long window) {
    if (editorOpen_ || !hasEditor()) return;
    dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(window));
    editorOpen_ = true;
}

void VstHost::idleEditor() {
    if (editorOpen_) dispatch(effEditIdle);
}

void VstHost::closeEditor() {
    if (!editorOpen_) return;
    dispatch(effEditClose);
    editorOpen_ = false;
}

void VstHost::setParameter(int index, float value) {
    if (effect_->setParameter) effect_->setParameter(effect_, index, value);
}

float VstHost::parameter(int index) const {
    return effect_->getParameter ? effect_->getParameter(effect_, index) : 0.0f;
}

void VstHost::start(size_t maxEventsPerBlock) {
    midiEvents_.assign(maxEventsPerBlock, VstMidiEvent{});
    // VstEvents is two pointer-sized words followed by the pointer array.
    eventListStorage_.assign(2 + std::max<size_t>(maxEventsPerBlock, 2), 0);

    // The plug-in gets at least two of each, even if it declares fewer.
    auto makeBuffers = [this](std::vector<std::vector<float>>& buffers, std::vector<float*>& pointers,
                              int count) {
        buffers.assign(std::max(count, 2), std::vector<float>(blockSize_, 0.0f));
        pointers.clear();
        for (auto& buffer : buffers) pointers.push_back(buffer.data());
    };
    makeBuffers(inputs_, inputPointers_, effect_->numInputs);
    makeBuffers(outputs_, outputPointers_, effect_->numOutputs);

    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    running_ = true;
}

void VstHost::stop() {
    running_ = false;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
}

void VstHost::setBlockSize(int frames) {
    blockSize_ = frames;
    dispatch(effSetBlockSize, 0, blockSize_);
}

void VstHost::setSampleRate(int rate) {
    sampleRate_ = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate_));
}

void VstHost::process(size_t count, int frames) {
    if (count > midiEvents_.size() || frames > blockSize_)
        throw std::logic_error("block exceeds the storage reserved by start()");
    processing = true;

    if (count > 0) {
        VstEvents* list = eventList();
        for (size_t i = 0; i < count; ++i) {
            VstMidiEvent& midi = midiEvents_[i];
            midi.type = kVstMidiType;
            midi.byteSize = sizeof(VstMidiEvent);
            list->events[i] = reinterpret_cast<VstEvent*>(&midi);
        }
        list->numEvents = static_cast<VstInt32>(count);
        list->reserved = 0;
        dispatch(effProcessEvents, 0, 0, list);
    }

    // Zeroed every block: a plug-in may process in place and leave its inputs dirty,
    // and the accumulating process() adds to what the outputs hold.
    for (auto& buffer : inputs_) std::fill_n(buffer.begin(), frames, 0.0f);
    for (auto& buffer : outputs_) std::fill_n(buffer.begin(), frames, 0.0f);
    if (effect_->processReplacing)
        effect_->processReplacing(effect_, inputPointers_.data(), outputPointers_.data(), frames);
    else
        effect_->process(effect_, inputPointers_.data(), outputPointers_.data(), frames);
    processing = false;
}

VstIntPtr VstHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

VstIntPtr VstHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float) {
    if (opcode == audioMasterVersion) return kVstVersion;
    VstHost* host = effect && effect->resvd1 ? reinterpret_cast<VstHost*>(effect->resvd1) : activeHost;
    return host ? host->answer(opcode, index, value, ptr) : 0;
}

VstIntPtr VstHost::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr) {
    switch (opcode) {
        case audioMasterSizeWindow:
            return sizeWindow_ && sizeWindow_(index, static_cast<int>(value)) ? 1 : 0;
        case audioMasterUpdateDisplay:
            if (!updateDisplay_) return 0;
            updateDisplay_();
            return 1;
        case audioMasterAutomate:  // parameter changes from the plug-in need no recording here
        case audioMasterCurrentId:
            return 0;
        case audioMasterGetTime:
            return reinterpret_cast<VstIntPtr>(&timeInfo_);
        case audioMasterGetSampleRate:
            return sampleRate_;
        case audioMasterGetBlockSize:
            return blockSize_;
        case audioMasterGetCurrentProcessLevel:
            if (pace_ == Pace::Offline) return kProcessLevelOffline;
            return processing ? kProcessLevelRealtime : kProcessLevelUser;
        case audioMasterGetVendorString:
            return copyText(ptr, kVendor);
        case audioMasterGetProductString:
            return copyText(ptr, product_.c_str());
        case audioMasterGetVendorVersion:
            return 1;
        case audioMasterCanDo:
            if (!ptr) return 0;
            for (const char* canDo : kHostCanDos)
                if (std::strcmp(static_cast<const char*>(ptr), canDo) == 0) return 1;
            if (sizeWindow_ && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0) return 1;
            return 0;
        default:
            return 0;
    }
}
