// What a voice plays of one instrument during one block, and the block's
// other inputs. The engine gathers them from the rack's instruments (the
// owned input) and the current program, so that voices need to know nothing
// of instruments or programs.
#pragma once

#include <cstdint>

#include "dsp/adsr.h"

// Input, read only: one instrument as every voice sees it for this block.
// (Per voice, the lasting state is LayerPlayback, dsp/voice.h, and the
// block's scratch LayerStream, dsp/layer_stream.h.)
struct VoiceLayer {
    std::uint64_t owner;  // serial of the instrument: the layer's identity across rack changes
    const float* left;    // first channel; null: nothing to play
    const float* right;   // second channel, or `left` for a mono sample
    int length;
    int loopStart;
    int loopEnd;
    bool looping;
    int startPlay;
    int sampleRate;     // the rate the sample was recorded at
    double rootRatio;   // root-note ratio of the sample
    double tuneRatio;   // coarse x fine tuning
    float pan;          // 0 left, 0.5 centre, 1 right
    float volume;
    double pitchEgDepth;
    bool reverse;
    bool interpolate;
    bool grain;
    int grainPeriod;    // frames in a grain
    int grainAdvance;   // frames a grain moves on by, in grain mode
    int channel;        // MIDI channel 0..15 it answers, -1 for all
    const ADSR* volumeShape;  // rates and levels of the layer's envelopes
    const ADSR* pitchShape;
    float* meterLeft;   // the instrument's left contribution, for its level meter
};

struct VoiceBlock {
    const VoiceLayer* layers = nullptr;
    int layerCount = 0;
    float masterVolume = 1.0f;  // within 0..1
    double masterTune = 1.0;    // pitch factor
    double outputRate = 44100.0;
};
