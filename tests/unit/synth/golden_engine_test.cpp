// The render paths of the engine, each played at block sizes 1, 64 and 4096
// and compared bit for bit with renders recorded before: loops forward and
// backward (long and very short), samples that end mid-block, stereo and
// mono, interpolation off, grains, pitch envelopes, steep pitch, voices
// silenced by their channel, one and many instruments (recorded in
// tests/golden/engine_renders.txt; golden_compare.h reports where a render
// differs). Changes meant to leave the sound alone (speed work above all)
// must keep these. With QUAXEL2_WRITE_GOLDEN_CASES set to a path, the
// renders are recorded there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "golden_compare.h"
#include "plugin_fixture.h"

namespace {

constexpr int kFrames = 44100;
constexpr int kBlockSizes[] = {1, 64, 4096};

// One instrument of a case: its sample and the parameters that differ from
// a new instrument's.
struct Layer {
    int frames = 20000;
    int channels = 1;
    int loopStart = -1, loopEnd = -1, startPlay = -1;  // -1: as loaded
    int midiChannel = -1;
    std::vector<std::pair<int, float>> parameters;
};

struct Case {
    const char* name;
    std::vector<Layer> layers;
};

using P = std::vector<std::pair<int, float>>;
constexpr float on = 1.0f;

const P kLoopInterp = {{Instrument::kLoop, on}, {Instrument::kInterpolate, on}};
const P kEverything = {{Instrument::kLoop, on},   {Instrument::kInterpolate, on}, {Instrument::kGrain, on},
                       {Instrument::kPitchEg, 0.8f}, {Instrument::kPitchA, 0.02f}, {Instrument::kPitchD, 0.05f}};

std::vector<Case> cases() {
    std::vector<Case> all = {
        {"one looped instrument", {{20000, 1, -1, -1, -1, -1, kLoopInterp}}},
        {"looped stereo, no interpolation", {{20000, 2, 5000, 15000, -1, -1, {{Instrument::kLoop, on}}}}},
        {"reverse loop", {{20000, 1, 3000, 9000, -1, -1, {{Instrument::kLoop, on}, {Instrument::kReverse, on},
                                                             {Instrument::kInterpolate, on}}}}},
        {"tiny loop, steep pitch", {{20000, 1, 1000, 1003, -1, -1, {{Instrument::kLoop, on}, {Instrument::kInterpolate, on},
                                                                    {Instrument::kTune, 1.0f}}}}},
        {"ends mid-block", {{3000, 2, -1, -1, -1, -1, {{Instrument::kInterpolate, on}}},
                            {7000, 1, -1, -1, 500, -1, {{Instrument::kTune, 0.7f}}}}},
        {"reverse without loop", {{6000, 1, -1, -1, -1, -1, {{Instrument::kReverse, on}, {Instrument::kInterpolate, on}}},
                                  {6000, 1, -1, -1, 4000, -1, {{Instrument::kReverse, on}}}}},
        {"grains without loop", {{30000, 1, -1, -1, -1, -1, {{Instrument::kGrain, on}, {Instrument::kGrainAdvance, 0.3f}}}}},
        {"channels", {{20000, 1, -1, -1, -1, 0, kLoopInterp}, {20000, 1, -1, -1, -1, 1, kLoopInterp},
                      {20000, 2, -1, -1, -1, -1, kEverything}}},
        {"envelopes", {{20000, 1, -1, -1, -1, -1, {{Instrument::kLoop, on}, {Instrument::kVolA, 0.05f},
                                                   {Instrument::kVolD, 0.1f}, {Instrument::kVolS, 0.6f},
                                                   {Instrument::kVolR, 0.05f}, {Instrument::kPitchEg, 0.2f},
                                                   {Instrument::kPitchA, 0.1f}, {Instrument::kPitchR, 0.1f}}}}},
    };
    Case four{"four instruments, all on", {}};
    Case sixteen{"sixteen instruments, all on", {}};
    for (int n = 0; n < 16; n++) {
        Layer layer{20000 + 997 * n, 1 + n % 2, -1, -1, -1, -1, kEverything};
        layer.parameters.push_back({Instrument::kTune, 0.5f + n / 480.0f});
        layer.parameters.push_back({Instrument::kPan, n / 15.0f});
        if (n < 4) four.layers.push_back(layer);
        sixteen.layers.push_back(layer);
    }
    all.push_back(four);
    all.push_back(sixteen);
    return all;
}

// A tone rich enough that interpolation and every read position show.
std::vector<float> tone(int frames, int channels, int seed) {
    std::vector<float> data(static_cast<std::size_t>(frames * channels));
    for (int c = 0; c < channels; c++)
        for (int i = 0; i < frames; i++)
            data[static_cast<std::size_t>(c * frames + i)] =
                static_cast<float>(0.4 * std::sin(i * (0.031 + 0.007 * seed + 0.011 * c)) + 0.1 * std::sin(i * 0.37));
    return data;
}

// Sixteen notes on channels 0 and 1 (held, some released), a bend.
StereoRender renderCase(const Case& c, int block) {
    PluginFixture f(block);
    int seed = 0;
    for (const Layer& layer : c.layers) {
        Instrument* instrument = f.addInstrument(tone(layer.frames, layer.channels, seed++), layer.channels);
        for (const auto& [parameter, value] : layer.parameters) instrument->setParameter(parameter, value);
        Sample* sample = instrument->getSample(0, -1, -1);
        if (layer.loopEnd >= 0) sample->setLoopEnd(layer.loopEnd);
        if (layer.loopStart >= 0) sample->setLoopStart(layer.loopStart);
        if (layer.startPlay >= 0) sample->setStartPlay(layer.startPlay);
        if (layer.midiChannel >= 0) instrument->data->midiChannel = layer.midiChannel;
    }
    StereoRender render;
    for (int start = 0; start < kFrames; start += block) {
        const int frames = std::min(block, kFrames - start);
        MidiEvents events;
        for (int n = 0; n < 16; n++) {
            const int at = 1500 * n;
            if (at >= start && at < start + frames) events.add(0x90 | (n % 2), 40 + 3 * n, 40 + 5 * n, at - start);
            const int off = 30000 + 500 * n;
            if (n % 3 == 0 && off >= start && off < start + frames) events.add(0x80 | (n % 2), 40 + 3 * n, 0, off - start);
        }
        if (start <= 20000 && 20000 < start + frames) events.add(0xE0, 0, 80, 20000 - start);
        if (!events.empty()) f.plugin->processEvents(events.list());
        auto [l, r] = f.render(frames);
        render.left.insert(render.left.end(), l.begin(), l.end());
        render.right.insert(render.right.end(), r.begin(), r.end());
    }
    return render;
}

TEST(GoldenRenders, EveryRenderPathSoundsAsRecorded) {
    GoldenRenders golden("engine_renders", "QUAXEL2_WRITE_GOLDEN_CASES");
    for (const Case& c : cases())
        for (int block : kBlockSizes) golden.check({c.name, block}, renderCase(c, block));
    golden.finish();
    if (golden.recording()) GTEST_SKIP() << "renders recorded in " << golden.recordedIn();
}

}  // namespace
