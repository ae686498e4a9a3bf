#include "dsp/voice.h"

#include <algorithm>
#include <cmath>

#include "dsp/layer_stream.h"
#include "dsp/pitch_tables.h"
#include "dsp/vector_clones.h"
#include "programs/parameter.h"

namespace {

// Eight floats at a time where the processor has AVX, four otherwise: each
// frame is one multiplication and one addition either way.
VECTOR_CLONES void addScaled(float* __restrict out, const float* __restrict mix, int first, int frames,
                            float gain) {
    typedef float Eight __attribute__((vector_size(32), aligned(4)));
    const Eight scale = {gain, gain, gain, gain, gain, gain, gain, gain};
    int i = first;
    for (; i + 8 <= frames; i += 8)
        *reinterpret_cast<Eight*>(out + i) += *reinterpret_cast<const Eight*>(mix + i) * scale;
    for (; i < frames; i++) out[i] += mix[i] * gain;
}

}  // namespace

Voice::Voice(int slot, int blockSize) : slot(slot) {
    mixLeft.assign(static_cast<std::size_t>(std::max(blockSize, 0)), 0.0f);
    mixRight.assign(mixLeft.size(), 0.0f);
}

void Voice::align(const VoiceBlock& block) noexcept {
    bool aligned = true;
    for (int i = 0; i < block.layerCount && aligned; i++) aligned = playback[i].owner == block.layers[i].owner;
    if (aligned) return;
    // A layer that moved takes its state along; a new one starts still.
    const std::array<LayerPlayback, kMaxLayers> before = playback;
    for (int i = 0; i < block.layerCount; i++) {
        const std::uint64_t owner = block.layers[i].owner;
        playback[i] = LayerPlayback{};
        playback[i].owner = owner;
        for (const LayerPlayback& old : before)
            if (old.owner == owner) playback[i] = old;
    }
}

void Voice::play(int newNote, int newVelocity, int deltaFrames, int newChannel, const VoiceBlock& block,
                 float velocitySensitivity) noexcept {
    velocity = newVelocity;
    startOffset = std::max(deltaFrames, 0);
    note = newNote;
    noteRatio = semitoneRatio(newNote - 60);
    align(block);
    for (int i = 0; i < block.layerCount; i++) {
        const VoiceLayer& layer = block.layers[i];
        LayerPlayback& state = playback[i];
        double start = layer.startPlay;
        if (layer.reverse && !layer.looping && layer.startPlay == 0) start = layer.length;
        state.position = start;
        state.grainStart = start;
        state.grainCounter = 0.0;
        state.volumeEnvelope.gate(true);
        state.pitchEnvelope.gate(true);
    }
    velocityLevel = velocityToLevel(newVelocity, velocitySensitivity);
    active = true;
    // A voice cut off while released (by a block-size change) comes back
    // held: it must not be stolen or stopped like a released one.
    released = false;
    channel = newChannel == 16 ? -1 : newChannel;
}

void Voice::doRelease(const VoiceBlock& block) noexcept {
    align(block);
    for (int i = 0; i < block.layerCount; i++) {
        playback[i].volumeEnvelope.gate(false);
        playback[i].pitchEnvelope.gate(false);
    }
    released = true;
}

void Voice::stop(const VoiceBlock& block) noexcept {
    align(block);
    for (int i = 0; i < block.layerCount; i++) {
        playback[i].position = block.layers[i].startPlay;
        playback[i].pitchEnvelope.reset();
    }
    released = false;
    active = false;
}

bool Voice::finishIfEnded(const VoiceBlock& block) noexcept {
    if (!active || !released) return false;
    align(block);
    for (int i = 0; i < block.layerCount; i++)
        if (playback[i].volumeEnvelope.state != ADSR::envIdle) return false;
    stop(block);
    return true;
}

float Voice::velocityToLevel(int v, float sensitivity) noexcept {
    v = std::clamp(v, 1, 127);
    const float b = 1.0f - 0.95f * normalised(sensitivity);
    const float c = std::log(1.0f / b);
    return std::exp(std::pow(static_cast<float>(v - 1) / 126.0f, 0.8f) * c) * b;
}

void Voice::setPitchBend(int lsb, int msb, float bendRange) noexcept {
    int value = lsb + 128 * msb - 8192;
    float x = static_cast<float>(value) * (1.0f / 8192.0f);
    const int range = playedStep(bendRange, 24);
    bendRatio = std::pow(2.0f, static_cast<float>(range) * x / 12.0f);
}

void Voice::adjustBufferSize(std::vector<float>& left, std::vector<float>& right) {
    if (active) active = false;
    mixLeft.swap(left);
    mixRight.swap(right);
}

int Voice::prepare(int frames, const VoiceBlock& block, LayerStream* streams) noexcept {
    prepared = active;
    if (!active) return 0;
    align(block);
    std::fill_n(mixLeft.data(), frames, 0.0f);
    std::fill_n(mixRight.data(), frames, 0.0f);

    allIdle = true;
    volumeSum = 0.0;
    layerCount = 0;
    int count = 0;
    for (int index = 0; index < block.layerCount; index++) {
        const VoiceLayer& layer = block.layers[index];
        LayerPlayback& state = playback[index];
        state.volumeEnvelope.takeShape(*layer.volumeShape);
        state.pitchEnvelope.takeShape(*layer.pitchShape);
        const float pan = layer.pan;
        const float gainRight = pan > 0.5f ? 1.0f : 2.0f * pan;
        const float gainLeft = (1.0f - pan) > 0.5f ? 1.0f : 2.0f * (1.0f - pan);

        ADSR& volumeEnvelope = state.volumeEnvelope;
        if (volumeEnvelope.state != ADSR::envIdle) {
            allIdle = false;
            if (volumeEnvelope.state != ADSR::envSustain) volumeEnvelope.step();
        }
        volumeSum += layer.volume;
        layerCount++;
        rateRatio = layer.sampleRate / block.outputRate;
        if (startOffset >= frames || !layer.left || !layer.right || layer.length <= 0) continue;

        LayerStream& stream = streams[count++];
        stream.state = &state;
        stream.mixLeft = mixLeft.data();
        stream.mixRight = mixRight.data();
        stream.first = startOffset;
        stream.left = layer.left;
        stream.right = layer.right;
        stream.meterLeft = layer.meterLeft;
        stream.length = layer.length;
        stream.loopStart = layer.loopStart;
        stream.loopEnd = layer.loopEnd;
        stream.looping = layer.looping;
        stream.forward = !layer.reverse;
        stream.grain = layer.grain;
        stream.silenced = layer.channel != -1 && channel != -1 && layer.channel != channel;
        stream.direction = layer.reverse ? -1.0 : 1.0;
        stream.pitchPrefix = noteRatio * (layer.rootRatio * layer.tuneRatio) * bendRatio * rateRatio;
        stream.masterTune = block.masterTune;
        stream.gainLeft = gainLeft;
        stream.gainRight = gainRight;
        stream.interp = layer.interpolate ? 1.0 : 0.0;
        stream.level = velocityLevel;
        stream.volume = layer.volume;
        stream.depth = layer.pitchEgDepth;
        stream.grainPeriod = layer.grainPeriod;
        stream.grainJump = stream.direction * (layer.grain ? layer.grainAdvance : layer.grainPeriod);
        stream.grainFade = 1.0;
    }
    return count;
}

void Voice::finish(float** outputs, int frames, const VoiceBlock& block) noexcept {
    if (!prepared) return;
    prepared = false;
    level = layerCount > 0 ? velocityLevel * (volumeSum / layerCount) : 0.0;
    // One loop per side: the host may pass the same buffer for both.
    addScaled(outputs[0], mixLeft.data(), startOffset, frames, block.masterVolume);
    addScaled(outputs[1], mixRight.data(), startOffset, frames, block.masterVolume);
    if (allIdle && released) stop(block);
    startOffset = 0;
}
