// Files made to hurt the loaders: sizes past what any instrument holds,
// headers that claim more than the file has, a path that turns into a FIFO
// once the loader has looked at it. Loaders refuse or load what is really
// there, never throw, never block.
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "instruments/wave_file.h"

namespace {

constexpr int64_t kFrameLimit = int64_t{1} << 27;

TEST(WaveImages, AnImagePastTheFrameLimitIsRefusedUncopied) {
    // Untouched pages of an anonymous mapping cost nothing.
    const std::size_t size = 44 + static_cast<std::size_t>(kFrameLimit) + 1;
    void* mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    auto* image = static_cast<unsigned char*>(mapping);
    const unsigned char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                      16, 0, 0, 0, 1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0,
                                      1, 0, 8, 0, 'd', 'a', 't', 'a', 1, 0, 0, 0x08};  // 2^27 + 1 bytes
    std::copy(std::begin(header), std::end(header), image);
    const WaveFile wave(image, size);
    EXPECT_TRUE(wave.tooLong);
    EXPECT_EQ(wave.frames, 0);
    EXPECT_TRUE(wave.data.empty());
    munmap(mapping, size);
}

}  // namespace
