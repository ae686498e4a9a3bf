// One sounding note. A voice plays its note on every layer it is given (the
// instruments of the rack whose channel matches) and adds the mix to the
// outputs. It keeps its playback state for each layer (read position, grain
// and envelopes) itself, matched to the layers by their owner's serial, so
// that layers that come, go or move keep or lose their state as they should.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "dsp/adsr.h"
#include "dsp/voice_layer.h"

struct LayerStream;

// Lasting state: where a voice is in one layer, kept from block to block
// (the render loads it into a LayerStream, the block's scratch, and stores
// it back).
struct LayerPlayback {
    std::uint64_t owner = 0;
    double position = 0.0;
    double grainStart = 0.0;
    double grainCounter = 0.0;
    ADSR volumeEnvelope;
    ADSR pitchEnvelope;
};

// All operations run with the engine lock held (the audio thread, or a thread
// that plays the editor's keyboard); prepare, finish and the render between
// them never allocate, lock or make a system call.
class Voice {
public:
    static constexpr int kMaxLayers = 16;

    Voice(int slot, int blockSize);

    // Starts a note on every layer: positions to their start, envelopes on.
    void play(int note, int velocity, int deltaFrames, int channel, const VoiceBlock& block,
              float velocitySensitivity) noexcept;
    // Releases the note on every layer.
    void doRelease(const VoiceBlock& block) noexcept;
    // Frees the voice at once.
    void stop(const VoiceBlock& block) noexcept;
    // A block in three steps, so that the streams of many voices render
    // together (VoiceRenderer): `prepare` readies the block (mix cleared,
    // envelopes stepped at its start) and writes the voice's streams, at
    // most kMaxLayers, returning how many; after they have rendered,
    // `finish` adds the mix to the outputs and frees a voice whose note has
    // ended.
    int prepare(int frames, const VoiceBlock& block, LayerStream* streams) noexcept;
    void finish(float** outputs, int frames, const VoiceBlock& block) noexcept;
    // Frees a released voice whose volume envelopes have all ended, as a
    // rendered block would; true when it did.
    bool finishIfEnded(const VoiceBlock& block) noexcept;
    // Gain of a velocity for a velocity sensitivity (0..1).
    static float velocityToLevel(int velocity, float sensitivity) noexcept;
    // A 14-bit bend for a range value (0..1, 24 semitones at 1).
    void setPitchBend(int lsb, int msb, float bendRange) noexcept;
    // Follows a block-size change: cuts off a sounding note and takes the
    // new mix buffers, handing back the old ones for the caller to free.
    void adjustBufferSize(std::vector<float>& left, std::vector<float>& right);

    // The state of layer `index` as the voice last saw it.
    const LayerPlayback& playbackOf(int index) const { return playback[index]; }
    LayerPlayback& playbackOf(int index) { return playback[index]; }

    int slot;
    std::vector<float> mixLeft;
    std::vector<float> mixRight;
    double bendRatio = 1.0;
    double noteRatio = 1.0;
    double rateRatio = 1.0;
    float velocityLevel = 1.0f;
    int startOffset = 0;
    int note = -1;
    int velocity = -1;
    double level = 0.0;
    int channel = -1;
    bool active = false;
    bool released = false;

private:
    // Lines the playback states up with the block's layers, by owner.
    void align(const VoiceBlock& block) noexcept;

    std::array<LayerPlayback, kMaxLayers> playback{};
    // From prepare to finish.
    bool prepared = false;
    bool allIdle = true;
    double volumeSum = 0.0;
    int layerCount = 0;
};
