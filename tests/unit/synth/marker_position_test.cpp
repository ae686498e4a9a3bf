// Sample markers as host values: every frame of every sample length up to
// 2^24 frames survives the trip to a float and back.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "synth/marker_position.h"

namespace {

TEST(MarkerPosition, EveryFrameComesBackFromItsValue) {
    for (const int length : {1, 2, 3, 7, 1000, 44101, 88200, 1000003, 9999991, (1 << 24) - 1, 1 << 24}) {
        int lost = 0, first = -1;
        for (int frame = 0; frame <= length; frame++) {
            const float value = markerValue(frame, length);
            if (value != static_cast<float>(frame) / static_cast<float>(length) ||
                markerFrame(value, length) != frame) {
                if (first < 0) first = frame;
                lost++;
            }
        }
        EXPECT_EQ(lost, 0) << "length " << length << ", first frame " << first;
    }
}

TEST(MarkerPosition, ValuesOutsideTheSampleAreHeldAtItsEnds) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float value;
        int frame;
    } cases[] = {{-0.5f, 0}, {-inf, 0}, {nan, 0}, {1.0f, 1000}, {2.0f, 1000}, {inf, 1000}, {0.00049f, 0}, {0.0005f, 1}};
    for (const auto& c : cases) EXPECT_EQ(markerFrame(c.value, 1000), c.frame) << c.value;
    EXPECT_EQ(markerFrame(0.5f, 0), 0);  // no sample data
    EXPECT_EQ(markerValue(7, 0), 0.0f);
}

}  // namespace
