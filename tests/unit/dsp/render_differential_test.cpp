// Every fast way of rendering streams against the reference, bit for bit:
// a table of layer setups, each played by three voices at several block
// sizes, rendered once through renderStreams and once through the
// reference, comparing after every block the voices' mixes, the meters and
// every layer's lasting state. Three builds of the fast paths take part:
// the one linked here (whichever clone this processor runs), and two built
// apart as modules, one for plain x86-64 only and one for AVX2 only, so
// that a machine with AVX2 checks both clones in one run.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dsp/layer_stream.h"
#include "dsp/reference_render.h"

namespace {

using RenderStreams = void (*)(LayerStream*, int, int) noexcept;

// One instrument of a setup. Envelope times are in frames (0: instant);
// `start` and `counter`, when not negative, replace where the voices start
// in the sample and in the grain.
struct Layer {
    int frames = 4000;
    int channels = 1;
    bool looping = false;
    int loopStart = 0, loopEnd = 0;
    bool reverse = false;
    bool interpolate = true;
    bool grain = false;
    int grainPeriod = 1000, grainAdvance = 300;
    double pitch = 1.0;  // the root ratio: frames of the sample per frame at note 60
    float pan = 0.5f;
    int channel = -1;
    float attack = 0, decay = 0, sustain = 1, release = 0;
    float pitchAttack = 0, pitchDecay = 0, pitchSustain = 1;
    double pitchDepth = 0.0;
    double start = -1, counter = -1;
};

struct Setup {
    const char* name;
    std::vector<Layer> layers;
    int releaseAt = 1200;  // the first block from this frame on starts with a note-off
};

Layer looped(int loopStart, int loopEnd, double pitch = 1.0) {
    Layer l;
    l.looping = true;
    l.loopStart = loopStart;
    l.loopEnd = loopEnd;
    l.pitch = pitch;
    return l;
}

Layer reversed(Layer l) {
    l.reverse = true;
    return l;
}

Layer grains(Layer l, int period, int advance) {
    l.grain = true;
    l.grainPeriod = period;
    l.grainAdvance = advance;
    return l;
}

Layer moving(Layer l) {
    l.attack = 90;
    l.decay = 130;
    l.sustain = 0.5f;
    l.release = 110;
    l.pitchAttack = 70;
    l.pitchDecay = 60;
    l.pitchSustain = 0.3f;
    l.pitchDepth = 0.6;
    return l;
}

Layer stereo(Layer l, float pan) {
    l.channels = 2;
    l.pan = pan;
    return l;
}

std::vector<Setup> setups() {
    constexpr double kNearLimit = (1 << 30) - 600.0;
    Layer plain;
    Layer ends = plain;
    ends.frames = 1500;
    Layer notInterpolated = looped(100, 3900, 0.77);
    notInterpolated.interpolate = false;
    Layer silenced = looped(0, 3000);
    silenced.channel = 0;  // the second voice plays on channel 1
    Layer far = reversed(plain);
    far.start = kNearLimit;
    Layer farther = looped(200, 3000);
    farther.start = (1 << 30) + 5.0;
    Layer lateGrain = grains(looped(300, 3700, 1.1), 400, 90);
    lateGrain.counter = kNearLimit;
    std::vector<Layer> many;
    for (int n = 0; n < 11; n++) {
        Layer l = n % 3 == 0 ? moving(looped(50 * n, 3000 + 70 * n, 0.9 + 0.05 * n)) : looped(0, 3500, 1.0 + 0.03 * n);
        if (n % 2) l = stereo(l, n / 10.0f);
        if (n % 4 == 1) l = grains(l, 300 + 40 * n, 70);
        many.push_back(l);
    }
    return {
        {"forward and reverse loops", {looped(500, 3500, 1.3), reversed(looped(700, 3100, 0.6))}},
        {"tiny loops", {looped(1000, 1003, 1.37), reversed(looped(2000, 2002, 0.41)), looped(10, 11, 2.5)}},
        {"samples ending mid-block", {ends, reversed(ends), moving(ends)}},
        {"mono and stereo, panned", {stereo(looped(0, 4000), 0.5f), stereo(looped(0, 4000, 1.1), 0.0f),
                                     stereo(plain, 1.0f), looped(0, 4000, 0.9)}},
        {"no interpolation", {notInterpolated, stereo(notInterpolated, 0.3f)}},
        {"grains without a loop", {grains(plain, 400, 120), grains(reversed(plain), 250, 60)}},
        {"grains in loops", {grains(looped(200, 3000), 500, 150), grains(reversed(looped(400, 3600)), 333, 40)}},
        {"grains with fades that meet", {grains(looped(0, 4000), 90, 30), grains(plain, 101, 20)}},
        {"moving envelopes", {moving(looped(0, 4000)), moving(grains(looped(100, 3900), 300, 80)),
                              moving(stereo(reversed(looped(0, 4000)), 0.8f))}},
        {"steady and moving together", {looped(0, 4000), moving(looped(0, 4000, 1.01)), looped(0, 4000, 0.99)}},
        {"pitch steps near nothing", {looped(0, 4000, 1e-3), looped(0, 4000, 1.5e-3), moving(looped(0, 4000, 2e-3))}},
        {"large pitch steps", {looped(0, 4000, 37.7), reversed(looped(0, 4000, 91.0)), plain}},
        {"positions near the limit", {far, farther, lateGrain}},
        {"silenced streams", {silenced, moving(silenced), looped(0, 3000)}},
        {"eleven layers in each voice", many},
    };
}

// A tone rich enough that every read position and interpolation shows,
// with the guard frame after its end.
std::vector<float> tone(int frames, int seed) {
    std::vector<float> data(static_cast<std::size_t>(frames) + 1);
    for (int i = 0; i < frames; i++)
        data[static_cast<std::size_t>(i)] =
            static_cast<float>(0.4 * std::sin(i * (0.031 + 0.007 * seed)) + 0.1 * std::sin(i * 0.37));
    data[static_cast<std::size_t>(frames)] = data[static_cast<std::size_t>(frames) - 1];
    return data;
}

ADSR shape(float attack, float decay, float sustain, float release) {
    ADSR envelope;
    envelope.setAttackRate(attack);
    envelope.setDecayRate(decay);
    envelope.setSustainLevel(sustain);
    envelope.setReleaseRate(release);
    return envelope;
}

constexpr int kMaxBlock = 1000;
constexpr int kVoices = 3;

// Three voices playing a setup's layers, with their own meters: one world
// renders by a fast path, another by the reference.
struct World {
    std::vector<std::vector<float>> samples;
    std::vector<ADSR> volumeShapes, pitchShapes;
    std::vector<std::vector<float>> meters;
    std::vector<VoiceLayer> layers;
    VoiceBlock block;
    std::vector<std::unique_ptr<Voice>> voices;
    std::vector<LayerStream> streams = std::vector<LayerStream>(kVoices * Voice::kMaxLayers);

    explicit World(const Setup& setup) {
        const std::size_t count = setup.layers.size();
        volumeShapes.reserve(count);
        pitchShapes.reserve(count);
        for (std::size_t n = 0; n < count; n++) {
            const Layer& l = setup.layers[n];
            samples.push_back(tone(l.frames, static_cast<int>(2 * n)));
            samples.push_back(l.channels == 2 ? tone(l.frames, static_cast<int>(2 * n + 1)) : samples.back());
            volumeShapes.push_back(shape(l.attack, l.decay, l.sustain, l.release));
            pitchShapes.push_back(shape(l.pitchAttack, l.pitchDecay, l.pitchSustain, 0));
            meters.emplace_back(kMaxBlock, 0.0f);
        }
        for (std::size_t n = 0; n < count; n++) {
            const Layer& l = setup.layers[n];
            VoiceLayer layer{};
            layer.owner = n + 1;
            layer.left = samples[2 * n].data();
            layer.right = l.channels == 2 ? samples[2 * n + 1].data() : layer.left;
            layer.length = l.frames;
            layer.loopStart = l.loopStart;
            layer.loopEnd = l.loopEnd;
            layer.looping = l.looping;
            layer.sampleRate = 44100;
            layer.rootRatio = l.pitch;
            layer.tuneRatio = 1.0;
            layer.pan = l.pan;
            layer.volume = 0.8f;
            layer.pitchEgDepth = l.pitchDepth;
            layer.reverse = l.reverse;
            layer.interpolate = l.interpolate;
            layer.grain = l.grain;
            layer.grainPeriod = l.grainPeriod;
            layer.grainAdvance = l.grainAdvance;
            layer.channel = l.channel;
            layer.volumeShape = &volumeShapes[n];
            layer.pitchShape = &pitchShapes[n];
            layer.meterLeft = meters[n].data();
            layers.push_back(layer);
        }
        block.layers = layers.data();
        block.layerCount = static_cast<int>(count);
        const int notes[kVoices] = {60, 67, 48}, channels[kVoices] = {0, 1, 16}, delays[kVoices] = {0, 5, 3};
        for (int v = 0; v < kVoices; v++) {
            voices.push_back(std::make_unique<Voice>(v, kMaxBlock));
            voices[v]->play(notes[v], 100 - 20 * v, delays[v], channels[v], block, 0.5f);
            for (std::size_t n = 0; n < count; n++) {
                LayerPlayback& state = voices[v]->playbackOf(static_cast<int>(n));
                if (setup.layers[n].start >= 0) state.position = setup.layers[n].start + v;
                if (setup.layers[n].counter >= 0) state.grainCounter = setup.layers[n].counter;
            }
        }
    }

    void renderBlock(int frames, bool release, RenderStreams render) {
        if (release)
            for (auto& voice : voices) voice->doRelease(block);
        for (auto& meter : meters) std::fill(meter.begin(), meter.end(), 0.0f);
        int count = 0;
        for (auto& voice : voices) count += voice->prepare(frames, block, streams.data() + count);
        render(streams.data(), count, frames);
        std::vector<float> left(kMaxBlock), right(kMaxBlock);
        float* outputs[2] = {left.data(), right.data()};
        for (auto& voice : voices) voice->finish(outputs, frames, block);
    }
};

bool sameBits(const float* a, const float* b, int count) { return std::memcmp(a, b, sizeof(float) * count) == 0; }

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameEnvelope(const ADSR& a, const ADSR& b) {
    return a.state == b.state && std::memcmp(&a.output, &b.output, sizeof a.output) == 0;
}

// Where the two worlds first differ after a block of `frames`, or "".
std::string firstDifference(const World& fast, const World& reference, int frames) {
    for (int v = 0; v < kVoices; v++) {
        const Voice& a = *fast.voices[v];
        const Voice& b = *reference.voices[v];
        if (a.active != b.active) return "voice " + std::to_string(v) + " active";
        if (!sameBits(a.mixLeft.data(), b.mixLeft.data(), frames)) return "mix left of voice " + std::to_string(v);
        if (!sameBits(a.mixRight.data(), b.mixRight.data(), frames)) return "mix right of voice " + std::to_string(v);
        for (int n = 0; n < fast.block.layerCount; n++) {
            const LayerPlayback& p = a.playbackOf(n);
            const LayerPlayback& q = b.playbackOf(n);
            const std::string where = " of voice " + std::to_string(v) + ", layer " + std::to_string(n);
            if (!sameBits(p.position, q.position)) return "position" + where;
            if (!sameBits(p.grainStart, q.grainStart)) return "grain start" + where;
            if (!sameBits(p.grainCounter, q.grainCounter)) return "grain counter" + where;
            if (!sameEnvelope(p.volumeEnvelope, q.volumeEnvelope)) return "volume envelope" + where;
            if (!sameEnvelope(p.pitchEnvelope, q.pitchEnvelope)) return "pitch envelope" + where;
        }
    }
    for (std::size_t n = 0; n < fast.meters.size(); n++)
        if (!sameBits(fast.meters[n].data(), reference.meters[n].data(), frames))
            return "left meter of layer " + std::to_string(n);
    return "";
}

constexpr int kFrames = 2100;
// One frame, a few, a block shorter than a span, one longer than the
// moving groups' span, and one longer than both kinds of span.
constexpr int kBlockSizes[] = {1, 7, 64, 300, kMaxBlock};

// Every setup at every block size through `render` and the reference.
void expectTheReference(RenderStreams render) {
    for (const Setup& setup : setups())
        for (const int blockSize : kBlockSizes) {
            World fast(setup), reference(setup);
            bool released = false;
            for (int start = 0; start < kFrames; start += blockSize) {
                const int frames = std::min(blockSize, kFrames - start);
                const bool release = !released && start >= setup.releaseAt;
                released = released || release;
                fast.renderBlock(frames, release, render);
                reference.renderBlock(frames, release, renderStreamsByReference);
                const std::string difference = firstDifference(fast, reference, frames);
                if (!difference.empty()) {
                    ADD_FAILURE() << setup.name << ", blocks of " << blockSize << ": " << difference
                                  << " differs after the block at frame " << start;
                    break;
                }
            }
        }
}

// A build of the fast paths on its own, loaded from its module.
class FastPathModule {
public:
    explicit FastPathModule(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~FastPathModule() {
        if (handle) dlclose(handle);
    }
    FastPathModule(const FastPathModule&) = delete;
    FastPathModule& operator=(const FastPathModule&) = delete;

    bool loaded() const { return handle != nullptr; }
    RenderStreams render() const { return reinterpret_cast<RenderStreams>(dlsym(handle, "fastPathRenderStreams")); }
    // What the module's code was compiled for (its compiler's macros).
    bool builtFor(const char* feature) const {
        auto has = reinterpret_cast<bool (*)(const char*)>(dlsym(handle, "fastPathBuiltFor"));
        return has && has(feature);
    }

private:
    void* handle;
};

TEST(RenderDifferential, TheLinkedFastPathsRenderAsTheReference) { expectTheReference(renderStreams); }

TEST(RenderDifferential, ThePlainX86_64FastPathsRenderAsTheReference) {
    FastPathModule module(QUAXEL2_PLAIN_FAST_PATHS);
    ASSERT_TRUE(module.loaded()) << dlerror();
    ASSERT_NE(module.render(), nullptr);
    EXPECT_FALSE(module.builtFor("avx"));
    EXPECT_FALSE(module.builtFor("reference only"));
    expectTheReference(module.render());
}

TEST(RenderDifferential, TheAvx2FastPathsRenderAsTheReference) {
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "this processor has no AVX2";
    FastPathModule module(QUAXEL2_AVX2_FAST_PATHS);
    ASSERT_TRUE(module.loaded()) << dlerror();
    ASSERT_NE(module.render(), nullptr);
    EXPECT_TRUE(module.builtFor("avx2"));
    EXPECT_FALSE(module.builtFor("fma"));
    EXPECT_FALSE(module.builtFor("reference only"));
    expectTheReference(module.render());
}

}  // namespace
