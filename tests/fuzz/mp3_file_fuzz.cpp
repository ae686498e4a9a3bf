// Feeds arbitrary bytes to the MP3 decoder as a file, and to the check for
// MPEG data in a WAVE file, which reads only the format tag at byte 20.
#include <cstddef>
#include <cstdint>

#include "loaded_sample.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static InputFile file("input.mp3");
    const std::string& path = file.write(data, size);
    Sample s;
    checkAndRelease(s, s.loadFromMp3(path));
    if (Sample::isWavMp3(path) != (size >= 22 && (data[20] | data[21] << 8) == 85)) __builtin_trap();
    return 0;
}
