// The block loop: runs a loaded, switched-on plug-in over the whole render,
// handing each MIDI event to the block it falls in, and passes the output on.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/render/midi_source.h"
#include "tools/render/offline_host.h"

struct RenderSummary {
    int64_t frames = 0;
    float peak = 0.0f;  // largest absolute sample of either channel
};

// The most events any one block of the render will carry, for OfflineHost::start.
size_t maxEventsPerBlock(const std::vector<TimedMidiEvent>& events, int64_t totalFrames, int blockSize);

// Takes each block's two channels in order.
using BlockOutput = std::function<void(const float* left, const float* right, int frames)>;

// Events at or after totalFrames are not sent.
RenderSummary renderBlocks(OfflineHost& host, const std::vector<TimedMidiEvent>& events,
                           int64_t totalFrames, int blockSize, const BlockOutput& output);
