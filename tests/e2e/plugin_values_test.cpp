// The values a host or the editor sets are the values the real shared object
// plays and shows: the editor's master block follows the current program,
// every step a control offers plays as that step, and sample markers land
// on the frame they name.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "host/vst2.h"
#include "tests/support/chunk_bytes.h"
#include "tests/support/instance_numbers.h"
#include "tests/support/midi_events.h"

namespace {

using Bytes = std::vector<unsigned char>;
using EntryPoint = AEffect* (*)(audioMasterCallback);

constexpr int kBlock = 256;
constexpr int kMasterVolume = 576;

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

class Library {
public:
    Library() : handle(dlopen(QUAXEL2_SO, RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() {
        if (handle) dlclose(handle);
    }
    template <typename T>
    T* symbol(const char* name) const {
        return static_cast<T*>(dlsym(handle, name));
    }
    void* handle;
};

class Plugin {
public:
    explicit Plugin(const Library& library) {
        const auto entry = reinterpret_cast<EntryPoint>(dlsym(library.handle, "VSTPluginMain"));
        number = numberTakenBy([&] { effect = entry(host); });
        call(effOpen);
        call(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        call(effSetBlockSize, 0, kBlock);
        call(effMainsChanged, 0, 1);
    }
    ~Plugin() { call(effClose); }
    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void set(VstInt32 index, float value) { effect->setParameter(effect, index, value); }
    float get(VstInt32 index) { return effect->getParameter(effect, index); }
    VstIntPtr load(Bytes bytes, bool isPreset) {
        return call(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
    }
    // Renders `frames` (a multiple of the block) after the events.
    std::pair<std::vector<float>, std::vector<float>> render(int frames, MidiEvents* events = nullptr) {
        if (events) call(effProcessEvents, 0, 0, events->list());
        std::vector<float> left(frames), right(frames);
        for (int at = 0; at < frames; at += kBlock) {
            float* outputs[2] = {left.data() + at, right.data() + at};
            effect->processReplacing(effect, nullptr, outputs, kBlock);
        }
        return {left, right};
    }

    AEffect* effect = nullptr;
    int number = -1;
};

// The four floats the editor's master sliders read: entries 8 to 11 of the
// delay block that follows the sixteen instrument slots.
std::vector<float> mirroredMasters(int number) {
    const int fd = shm_open(("/instrument.mmap" + std::to_string(number)).c_str(), O_RDONLY, 0);
    if (fd < 0) return {};
    void* region = mmap(nullptr, 43072, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (region == MAP_FAILED) return {};
    std::vector<float> masters(4);
    for (int k = 0; k < 4; k++)
        std::memcpy(&masters[k], static_cast<const unsigned char*>(region) + 42880 + (8 + k) * 16, sizeof(float));
    munmap(region, 43072);
    return masters;
}

std::vector<float> programMasters(Plugin& plugin) {
    std::vector<float> masters;
    for (int k = 0; k < 4; k++) masters.push_back(plugin.get(kMasterVolume + k));
    return masters;
}

using chunk_bytes::appendFloat;
using chunk_bytes::appendInt;
using chunk_bytes::appendText;

// A record (version 3 or 5) holding one instrument playing the sample file
// `path` with every parameter at its centre or off, interpolating, and the
// delay off.
void appendRecord(Bytes& out, const std::string& path, std::vector<float> masters, int version = 3) {
    appendInt(out, version);
    appendText(out, "Values");
    appendInt(out, path.empty() ? 0 : 1);
    if (!path.empty()) {
        appendInt(out, 2);
        appendText(out, "ramp");
        appendText(out, path);
        for (int v : {0, 0, 0, -1}) appendInt(out, v);
        appendInt(out, 22);
        const float values[22] = {1, 0.5f, 0.5f, 0.5f, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.5f, 0, 1, 0, 0.82f};
        for (float v : values) appendFloat(out, v);
    }
    for (float d : {0.625f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) appendFloat(out, d);
    for (float m : masters) appendFloat(out, m);
    if (version == 5) out.insert(out.end(), 32, 0);
}

TEST(ValuesThroughTheSharedObject, MasterBlockShowsTheCurrentProgramAfterEveryChangeAndLoad) {
    Library library;
    ASSERT_NE(library.handle, nullptr) << dlerror();
    Plugin plugin(library);
    ASSERT_GE(plugin.number, 0);
    // Program 0 of the factory bank plays with velocity sensitivity 0.7;
    // its last program keeps full sensitivity.
    EXPECT_EQ(plugin.get(578), 0.7f);
    EXPECT_EQ(mirroredMasters(plugin.number), programMasters(plugin));

    for (int program : {0, 1, 9, 127, 3, 0}) {
        plugin.call(effSetProgram, 0, program);
        EXPECT_EQ(mirroredMasters(plugin.number), programMasters(plugin)) << "program " << program;
    }

    // A bank whose program p holds masters that name it, loaded while
    // program 5 is current; then one program of either current version.
    Bytes bank;
    for (int p = 0; p < 128; p++) appendRecord(bank, "", {p / 128.0f, 0.25f, 0.5f, p / 256.0f});
    plugin.call(effSetProgram, 0, 5);
    ASSERT_EQ(plugin.load(bank, false), 1);
    EXPECT_EQ(mirroredMasters(plugin.number), (std::vector<float>{5 / 128.0f, 0.25f, 0.5f, 5 / 256.0f}));
    for (int version : {3, 5}) {
        Bytes program;
        appendRecord(program, "", {0.1f * version, 0.3f, 0.2f, 0.7f}, version);
        ASSERT_EQ(plugin.load(program, true), 1);
        EXPECT_EQ(mirroredMasters(plugin.number), (std::vector<float>{0.1f * version, 0.3f, 0.2f, 0.7f}))
            << "version " << version;
    }

    // The factory bank's own format, as a bank and as the program chunk of
    // its first record.
    const unsigned char* factory = library.symbol<const unsigned char>("bank");
    const int32_t factorySize = *library.symbol<const int32_t>("bank_size");
    plugin.call(effSetProgram, 0, 9);
    ASSERT_EQ(plugin.load(Bytes(factory, factory + factorySize), false), 1);
    EXPECT_EQ(mirroredMasters(plugin.number), programMasters(plugin));
    plugin.call(effSetProgram, 0, 127);
    EXPECT_EQ(mirroredMasters(plugin.number), programMasters(plugin));
    ASSERT_EQ(plugin.load(Bytes(factory, factory + factorySize), true), 1);  // program 0's record
    EXPECT_EQ(mirroredMasters(plugin.number), programMasters(plugin));
    EXPECT_EQ(plugin.get(578), 0.7f);
}

// A scratch folder with a 16-bit stereo WAV file of `frames` frames: the
// left channel counts the frames (frame i holds i / 32768, wrapping), the
// right one holds 0.5. Played with interpolation, left / right × 16384 is
// the voice's read position.
class RampFile {
public:
    explicit RampFile(int frames) : frames(frames) {
        char pattern[] = "/tmp/quaxel2-values-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made) folder = made;
        path = folder + "/ramp.wav";
        std::ofstream file(path, std::ios::binary);
        auto put = [&](uint32_t value, int bytes) {
            for (int b = 0; b < bytes; b++) file.put(static_cast<char>((value >> (8 * b)) & 0xFF));
        };
        const uint32_t dataBytes = static_cast<uint32_t>(frames) * 4;
        file.write("RIFF", 4);
        put(36 + dataBytes, 4);
        file.write("WAVEfmt ", 8);
        put(16, 4);
        put(1, 2);  // PCM
        put(2, 2);
        put(44100, 4);
        put(44100 * 4, 4);
        put(4, 2);
        put(16, 2);
        file.write("data", 4);
        put(dataBytes, 4);
        for (int i = 0; i < frames; i++) {
            put(static_cast<uint32_t>(i & 0x7FFF), 2);
            put(16384, 2);
        }
    }
    ~RampFile() {
        std::remove(path.c_str());
        rmdir(folder.c_str());
    }
    int frames;
    std::string folder;
    std::string path;
};

// Loads a program playing `ramp` and measures how fast a held note 60 reads
// it: frames of the sample per frame of output.
class RampPlayer {
public:
    RampPlayer(const Library& library, const RampFile& ramp) : plugin(library) {
        Bytes program;
        appendRecord(program, ramp.path, {1.0f, 0.5f, 1.0f, 0.5f});
        loaded = plugin.load(program, true) == 1;
    }
    double readSpeed(int bend = 0x2000) {
        MidiEvents start;
        start.add(0xE0, bend & 0x7F, bend >> 7, 0);
        start.add(0x90, 60, 127, 0);
        const auto rendered = plugin.render(16 * kBlock, &start);
        const auto& left = rendered.first;
        const auto& right = rendered.second;
        MidiEvents stop;
        stop.add(0x80, 60, 0, 0);
        plugin.render(64 * kBlock, &stop);  // past the quarter-second release
        auto position = [&](int frame) { return right[frame] > 0 ? left[frame] / right[frame] * 16384.0 : -1.0; };
        const int from = 4 * kBlock, to = 15 * kBlock;
        return (position(to) - position(from)) / (to - from);
    }
    Plugin plugin;
    bool loaded = false;
};

// The step among `ratios` whose pitch ratio to the centre is nearest to the
// measured one.
int nearestRatio(double measured, const std::vector<double>& ratios) {
    int best = 0;
    for (int j = 1; j < static_cast<int>(ratios.size()); j++)
        if (std::fabs(std::log(measured / ratios[j])) < std::fabs(std::log(measured / ratios[best]))) best = j;
    return best;
}

TEST(ValuesThroughTheSharedObject, EveryStepOfEachPitchControlPlaysAsThatStep) {
    Library library;
    ASSERT_NE(library.handle, nullptr) << dlerror();
    const float* semitones = library.symbol<const float>("semitonesTab");
    const float* cents = library.symbol<const float>("centsTab");
    RampFile ramp(20000);
    RampPlayer player(library, ramp);
    ASSERT_TRUE(player.loaded);
    const double centre = player.readSpeed();
    ASSERT_GT(centre, 0.99);
    ASSERT_LT(centre, 1.01);

    struct Stepped {
        const char* name;
        VstInt32 index;
        int steps;
        std::function<double(int)> ratio;  // of step k to the centre
        int bend;
    };
    const Stepped controls[] = {
        {"tune", 2, 48, [&](int k) { return double(semitones[k]) / semitones[24]; }, 0x2000},
        {"finetune", 3, 200, [&](int k) { return double(cents[k]) / cents[100]; }, 0x2000},
        {"master tune", 577, 48, [&](int k) { return double(semitones[k]) / semitones[24]; }, 0x2000},
        // The whole bend up, 8191 / 8192 of the range.
        {"pb range", 579, 24, [](int k) { return std::pow(2.0, k * (8191.0 / 8192.0) / 12.0); }, 0x3FFF},
    };
    for (const Stepped& control : controls) {
        std::vector<double> ratios;
        for (int k = 0; k <= control.steps; k++) ratios.push_back(control.ratio(k));
        for (int k = 0; k <= control.steps; k++) {
            // What the editor's control sends for step k.
            player.plugin.set(control.index, static_cast<float>(k) / static_cast<float>(control.steps));
            const double speed = player.readSpeed(control.bend);
            EXPECT_EQ(nearestRatio(speed / centre, ratios), k) << control.name << " step " << k;
        }
        player.plugin.set(control.index, 0.5f);
    }
}

TEST(ValuesThroughTheSharedObject, MarkersLandOnTheirFrameAndStayThereWhenReadBack) {
    Library library;
    ASSERT_NE(library.handle, nullptr) << dlerror();
    RampFile ramp(88200);
    RampPlayer player(library, ramp);
    ASSERT_TRUE(player.loaded);
    Plugin& plugin = player.plugin;
    const int length = ramp.frames;
    auto fraction = [&](int frame) { return static_cast<float>(frame) / static_cast<float>(length); };

    // Loop end (641) above loop start 0, loop start (640) below the last
    // frame, start (642) anywhere: each frame sent lands on that frame, and
    // reading and writing it back keeps it there.
    plugin.set(640, 0.0f);
    int misplaced = 0;
    for (int frame = 1; frame < length; frame++) {
        plugin.set(641, fraction(frame));
        misplaced += plugin.get(641) != fraction(frame);
    }
    for (int frame = 0; frame < length - 1; frame++) {
        plugin.set(640, fraction(frame));
        misplaced += plugin.get(640) != fraction(frame);
    }
    for (int frame = 0; frame < length; frame++) {
        plugin.set(642, fraction(frame));
        misplaced += plugin.get(642) != fraction(frame);
        for (int pass = 0; pass < 3; pass++) plugin.set(642, plugin.get(642));
        misplaced += plugin.get(642) != fraction(frame);
    }
    EXPECT_EQ(misplaced, 0);
}

}  // namespace
