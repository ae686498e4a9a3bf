// One instrument playing in one voice slot for one block, and the
// dispatcher that renders such streams. The streams of a block render in the
// order of their voices and layers; whatever streams render side by side,
// every mix and meter frame receives their sound in that order, so that the
// sums come out the same to the last bit.
#pragma once

#include "dsp/voice.h"

// Scratch for one block's render of one voice x instrument pair: written by
// Voice::prepare from the block's input (VoiceLayer) and the voice, loaded
// from and stored back to the lasting state (LayerPlayback) around the
// render, and dropped after it. The fixed part comes first, then the
// running state, copied out of the LayerPlayback while frames render so
// that it can live in registers.
struct LayerStream {
    LayerPlayback* state;
    float* mixLeft;  // the voice's mix
    float* mixRight;
    int first;       // the first frame the voice plays in this block
    const float* left;
    const float* right;
    float* meterLeft;  // the instrument's meter: its left channel only
    int length;
    int loopStart;
    int loopEnd;
    bool looping;
    bool forward;
    bool grain;
    bool silenced;  // the instrument's channel is not the voice's
    double direction;
    double pitchPrefix;  // note x root x tuning x bend x rate ratios, left to right
    double masterTune;
    double gainLeft;
    double gainRight;
    double interp;
    double level;  // the voice's velocity gain
    double volume;
    double depth;
    double grainPeriod;
    double grainJump;

    double pos;
    double grainStart;
    double grainCounter;
    double grainFade = 1.0;
    ADSR volumeEnvelope;
    ADSR pitchEnvelope;
    // With both envelopes idle or sustaining nothing moves them within the
    // block: their outputs, the gain without grains and the step are fixed.
    bool steady;
    double steadyGain;
    double steadyStep;
    // The volume envelope's output while steady, kept apart: a stream that
    // ends resets its envelopes before the frames it played are mixed.
    double steadyEnv;

    static bool holds(const ADSR& envelope) {
        return envelope.state == ADSR::envIdle || envelope.state == ADSR::envSustain;
    }

    void load() {
        pos = state->position;
        grainStart = state->grainStart;
        grainCounter = state->grainCounter;
        volumeEnvelope = state->volumeEnvelope;
        pitchEnvelope = state->pitchEnvelope;
        steady = holds(volumeEnvelope) && holds(pitchEnvelope);
        steadyGain = level * grainFade * volume * volumeEnvelope.output;
        steadyEnv = volumeEnvelope.output;
        steadyStep = pitchPrefix * (1.0 + pitchEnvelope.output * depth) * masterTune;
    }

    void store() const {
        state->position = pos;
        state->grainStart = grainStart;
        state->grainCounter = grainCounter;
        state->volumeEnvelope = volumeEnvelope;
        state->pitchEnvelope = pitchEnvelope;
    }
};

// Renders the streams, each over frames [first, frames) of its voice's mix
// and its layer's meter, as the reference (reference_render.h) would one
// after another.
void renderStreams(LayerStream* streams, int count, int frames) noexcept;
