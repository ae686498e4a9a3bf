// Renders all the voices of a block at once: every voice readies its
// streams, all the streams render together (so that streams of different
// voices share the work of a group), then every voice adds its mix to the
// outputs, in slot order. Each voice's mix and each meter receive their
// streams' frames in the order of the voices and layers, to the last bit as
// the reference (reference_render.h) renders them one after another.
#pragma once

#include <memory>

#include "dsp/voice.h"

class VoiceRenderer {
public:
    static constexpr int kMaxVoices = 16;

    VoiceRenderer();
    ~VoiceRenderer();
    VoiceRenderer(const VoiceRenderer&) = delete;
    VoiceRenderer& operator=(const VoiceRenderer&) = delete;

    // At most kMaxVoices voices; nothing here allocates, locks or waits.
    void process(Voice* const* voices, int count, float** outputs, int frames, const VoiceBlock& block) noexcept;

private:
    std::unique_ptr<LayerStream[]> streams;  // kMaxVoices x Voice::kMaxLayers
};
