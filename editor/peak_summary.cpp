#include "editor/peak_summary.h"

#include <algorithm>
#include <climits>

void PeakSummary::build(const float* frames, int length) {
    levels.clear();
    // Levels of two blocks or more: the highest one has at most kFanOut.
    for (long blockFrames = kFanOut; (length + blockFrames - 1) / blockFrames >= 2; blockFrames *= kFanOut) {
        const int blocks = static_cast<int>((length + blockFrames - 1) / blockFrames);
        Level level;
        level.blockFrames = static_cast<int>(blockFrames);
        level.minima.resize(blocks);
        level.maxima.resize(blocks);
        // Each block from kFanOut units below it: frames, or the level below's blocks.
        const bool fromFrames = levels.empty();
        const int units = fromFrames ? length : static_cast<int>(levels.back().minima.size());
        for (int block = 0; block < blocks; block++) {
            const int begin = block * kFanOut, end = std::min(begin + kFanOut, units);
            const float* lows = fromFrames ? frames : levels.back().minima.data();
            const float* highs = fromFrames ? frames : levels.back().maxima.data();
            level.minima[block] = *std::min_element(lows + begin, lows + end);
            level.maxima[block] = *std::max_element(highs + begin, highs + end);
        }
        levels.push_back(std::move(level));
        if (blockFrames > INT_MAX / kFanOut) break;
    }
}

void PeakSummary::span(const float* frames, int begin, int end, float& minimum, float& maximum) const {
    // Takes [from, to) in units of `level` (-1: frames); both are multiples
    // of the unit, so every block taken is whole.
    auto take = [&](int level, int from, int to) {
        const int unit = level < 0 ? 1 : levels[level].blockFrames;
        const float* lows = level < 0 ? frames : levels[level].minima.data();
        const float* highs = level < 0 ? frames : levels[level].maxima.data();
        for (int at = from / unit; at < to / unit; at++) {
            if (lows[at] < minimum) minimum = lows[at];
            if (highs[at] > maximum) maximum = highs[at];
        }
    };
    // Climbs while whole blocks of the next level fit, taking the loose ends
    // at each level on the way, then takes the middle at the highest level.
    int level = -1;
    for (; level + 1 < static_cast<int>(levels.size()); level++) {
        const int size = levels[level + 1].blockFrames;
        const int inner = static_cast<int>((static_cast<long>(begin) + size - 1) / size * size);
        const int outer = end / size * size;
        if (inner >= outer) break;
        take(level, begin, inner);
        take(level, outer, end);
        begin = inner;
        end = outer;
    }
    take(level, begin, end);
}
