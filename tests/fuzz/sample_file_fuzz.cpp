// Feeds arbitrary bytes to Sample::load as a file named like a WAVE file:
// libsndfile reads it in whatever format it finds, or libmad when it
// carries MPEG data. Whatever comes, the loader must not throw, crash, read
// outside its buffers or allocate past its limit.
#include <cstddef>
#include <cstdint>

#include "loaded_sample.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static InputFile file("input.wav");
    const std::string& path = file.write(data, size);
    Sample s;
    checkAndRelease(s, s.load(path));
    return 0;
}
