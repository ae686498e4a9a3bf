#include "instruments/mp3_file.h"

#include <mad.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr std::size_t kSliceBytes = 65536;

struct Decoding {
    const RegularFile& file;
    ChannelBuffers& out;
    unsigned char* slice;  // kSliceBytes + MAD_BUFFER_GUARD
    int64_t offset = 0;
    bool ended = false;
    uint32_t sampleRate = 0;
};

mad_flow input(void* data, mad_stream* stream) {
    auto& d = *static_cast<Decoding*>(data);
    if (d.ended) return MAD_FLOW_STOP;
    // The start of a frame not yet decoded moves to the front, to be handed
    // again with the bytes that complete it.
    std::size_t kept = 0;
    if (stream->next_frame) {
        kept = static_cast<std::size_t>(stream->bufend - stream->next_frame);
        std::memmove(d.slice, stream->next_frame, kept);
    }
    const std::size_t wanted = std::min<int64_t>(kSliceBytes - kept, d.file.size() - d.offset);
    const std::size_t got = d.file.readAt(d.slice + kept, wanted, d.offset);
    d.offset += static_cast<int64_t>(got);
    if (got == 0) {
        // libmad needs a few zero bytes after the last frame to decode it.
        std::memset(d.slice + kept, 0, MAD_BUFFER_GUARD);
        kept += MAD_BUFFER_GUARD;
        d.ended = true;
    }
    mad_stream_buffer(stream, d.slice, kept + got);
    return MAD_FLOW_CONTINUE;
}

mad_flow output(void* data, const mad_header* header, mad_pcm* pcm) {
    auto& d = *static_cast<Decoding*>(data);
    ChannelBuffers& out = d.out;
    if (pcm->channels == 2 && !out.addCopyOfFirstChannel()) return MAD_FLOW_STOP;
    if (!out.makeRoom(pcm->length)) return MAD_FLOW_STOP;
    d.sampleRate = header->samplerate;
    constexpr float kScale = 1.0f / static_cast<float>(1 << MAD_F_FRACBITS);  // 28 fraction bits
    float* left = out.next(0);
    float* right = out.channelCount() == 2 ? out.next(1) : nullptr;
    for (unsigned i = 0; i < pcm->length; i++) {
        left[i] = static_cast<float>(pcm->samples[0][i]) * kScale;
        if (right) right[i] = pcm->channels == 2 ? static_cast<float>(pcm->samples[1][i]) * kScale : left[i];
    }
    out.advance(pcm->length);
    return MAD_FLOW_CONTINUE;
}

mad_flow skipDamagedFrame(void*, mad_stream*, mad_frame*) { return MAD_FLOW_CONTINUE; }

}  // namespace

uint32_t decodeMp3(const RegularFile& file, ChannelBuffers& out) {
    if (file.size() > kMaxMp3FileBytes) {
        out.tooLong = true;
        return 0;
    }
    const std::unique_ptr<unsigned char[]> slice(new (std::nothrow) unsigned char[kSliceBytes + MAD_BUFFER_GUARD]);
    if (!slice) {
        out.outOfMemory = true;
        return 0;
    }
    Decoding decoding{file, out, slice.get()};
    mad_decoder decoder;
    mad_decoder_init(&decoder, &decoding, input, nullptr, nullptr, output, skipDamagedFrame, nullptr);
    mad_decoder_run(&decoder, MAD_DECODER_MODE_SYNC);
    mad_decoder_finish(&decoder);
    return decoding.sampleRate;
}
