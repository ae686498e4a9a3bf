// The lowest and highest frame of any span of one channel, found in a few
// dozen steps however long the span: a pyramid of per-block minima and
// maxima, built once over the whole channel. Each level's blocks are
// kFanOut times as long as the level below's (frames are the bottom).
#pragma once

#include <vector>

class PeakSummary {
public:
    static constexpr int kFanOut = 16;

    // Builds the levels over `frames` (a copy is not kept: the caller keeps
    // the frames alive and passes the same ones to `span`).
    void build(const float* frames, int length);
    // Lowers `minimum` and raises `maximum` to the frames in [begin, end),
    // which must lie within the frames built over.
    void span(const float* frames, int begin, int end, float& minimum, float& maximum) const;

private:
    struct Level {
        int blockFrames = 0;
        std::vector<float> minima, maxima;
    };
    std::vector<Level> levels;
};
