#include "dsp/reference_render.h"

void renderByReference(LayerStream& stream, int frames) noexcept { reference::renderFrames<false>(stream, frames); }

void renderStreamsByReference(LayerStream* streams, int count, int frames) noexcept {
    for (int n = 0; n < count; n++) streams[n].load();
    for (int n = 0; n < count; n++) renderByReference(streams[n], frames);
    for (int n = 0; n < count; n++) streams[n].store();
}
