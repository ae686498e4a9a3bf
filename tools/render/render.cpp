#include "tools/render/render.h"

#include <algorithm>
#include <cmath>

size_t maxEventsPerBlock(const std::vector<TimedMidiEvent>& events, int64_t totalFrames, int blockSize) {
    size_t most = 0;
    for (size_t i = 0; i < events.size() && events[i].frame < totalFrames;) {
        int64_t block = events[i].frame / blockSize;
        size_t first = i;
        while (i < events.size() && events[i].frame < totalFrames && events[i].frame / blockSize == block) ++i;
        most = std::max(most, i - first);
    }
    return most;
}

RenderSummary renderBlocks(OfflineHost& host, const std::vector<TimedMidiEvent>& events,
                           int64_t totalFrames, int blockSize, const BlockOutput& output) {
    RenderSummary summary;
    size_t next = 0;
    for (int64_t position = 0; position < totalFrames; position += blockSize) {
        int frames = static_cast<int>(std::min<int64_t>(blockSize, totalFrames - position));
        size_t first = next;
        while (next < events.size() && events[next].frame < position + frames) ++next;

        host.process(position, events.data() + first, next - first, frames);
        const float* left = host.left();
        const float* right = host.right();
        for (int i = 0; i < frames; ++i)
            summary.peak = std::max({summary.peak, std::fabs(left[i]), std::fabs(right[i])});
        output(left, right, frames);
        summary.frames += frames;
    }
    return summary;
}
