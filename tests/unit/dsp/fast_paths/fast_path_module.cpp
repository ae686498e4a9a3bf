// The entry of a module that holds the render's fast paths built on their
// own, for one kind of processor (the flags of its target in
// tests/CMakeLists.txt), which the differential test loads and holds to the
// reference.
#include <cstring>

#include "dsp/layer_stream.h"

#define FAST_PATH_ENTRY extern "C" [[gnu::visibility("default")]]

FAST_PATH_ENTRY void fastPathRenderStreams(LayerStream* streams, int count, int frames) noexcept {
    renderStreams(streams, count, frames);
}

// Whether the module's code was compiled for `feature`: "avx", "avx2",
// "fma", or "reference only" (every stream sent to the reference).
FAST_PATH_ENTRY bool fastPathBuiltFor(const char* feature) {
    const char* const features[] = {
#ifdef __AVX__
        "avx",
#endif
#ifdef __AVX2__
        "avx2",
#endif
#ifdef __FMA__
        "fma",
#endif
#ifdef QUAXEL2_REFERENCE_RENDER
        "reference only",
#endif
        nullptr};
    for (const char* const* f = features; *f; f++)
        if (std::strcmp(*f, feature) == 0) return true;
    return false;
}
