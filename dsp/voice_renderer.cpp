#include "dsp/voice_renderer.h"

#include <algorithm>

#include "dsp/layer_stream.h"

VoiceRenderer::VoiceRenderer() : streams(new LayerStream[kMaxVoices * Voice::kMaxLayers]) {}

VoiceRenderer::~VoiceRenderer() = default;

void VoiceRenderer::process(Voice* const* voices, int count, float** outputs, int frames,
                            const VoiceBlock& block) noexcept {
    count = std::min(count, kMaxVoices);
    int streamCount = 0;
    for (int v = 0; v < count; v++) streamCount += voices[v]->prepare(frames, block, streams.get() + streamCount);
    renderStreams(streams.get(), streamCount, frames);
    for (int v = 0; v < count; v++) voices[v]->finish(outputs, frames, block);
}
