// Feeds arbitrary bytes to WaveFile as an embedded image would be: it must
// read nothing outside them, keep within the frame limit, and convert only
// frames that are there, to values in -1..1.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "instruments/sample_limits.h"
#include "instruments/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const WaveFile wave(data, size);
    if (wave.frames < 0 || wave.frames > kMaxSampleFrames) __builtin_trap();
    if (!wave.supported()) return 0;
    std::vector<float> out(static_cast<std::size_t>(wave.frames));
    for (int c = 0; c < wave.channels; c++) {
        wave.read(out.data(), wave.frames + 1, c);  // asks for more than there is
        for (float value : out)
            if (!(value >= -1.0f && value <= 1.0f)) __builtin_trap();
    }
    return 0;
}
