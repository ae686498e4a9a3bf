#include "instruments/wave_view.h"

#include <algorithm>
#include <cstring>

#include "instruments/regular_file.h"
#include "instruments/riff_wave.h"

WaveView::WaveView(const RegularFile& file) : file(file) {
    const riff::WaveChunks walk = riff::walkWave(
        [&file](void* out, std::size_t count, int64_t offset) { return file.readAt(out, count, offset); }, file.size());
    wave = walk.ending != riff::WaveChunks::notWave;
    if (walk.ending != riff::WaveChunks::found) return;
    // The pad byte of an odd data chunk goes along, where the file has it.
    const int64_t padded = int64_t{walk.claimed} + (walk.claimed & 1);
    framesAt = walk.framesAt;
    frameBytes = walk.unfinished ? walk.available : std::min(padded, walk.available);
    head.assign(walk.header, walk.header + sizeof walk.header);
    head.insert(head.end(), walk.format.begin(), walk.format.end());
    head.insert(head.end(), walk.dataHeader, walk.dataHeader + sizeof walk.dataHeader);
}

SNDFILE* WaveView::open(SF_INFO& info) {
    if (!found()) return nullptr;
    SF_VIRTUAL_IO io{&WaveView::length, &WaveView::seek, &WaveView::read, &WaveView::write, &WaveView::tell};
    position = 0;
    return sf_open_virtual(&io, SFM_READ, &info, this);
}

sf_count_t WaveView::length(void* view) {
    const auto* self = static_cast<WaveView*>(view);
    return static_cast<sf_count_t>(self->head.size()) + self->frameBytes;
}

sf_count_t WaveView::seek(sf_count_t offset, int whence, void* view) {
    auto* self = static_cast<WaveView*>(view);
    const sf_count_t from = whence == SEEK_CUR ? self->position : whence == SEEK_END ? length(view) : 0;
    if (offset > 0 ? from > INT64_MAX - offset : from + offset < 0) return -1;
    self->position = from + offset;
    return self->position;
}

sf_count_t WaveView::read(void* out, sf_count_t count, void* view) {
    auto* self = static_cast<WaveView*>(view);
    auto* to = static_cast<unsigned char*>(out);
    const int64_t headBytes = static_cast<int64_t>(self->head.size());
    count = std::max<sf_count_t>(0, std::min(count, length(view) - self->position));
    sf_count_t done = 0;
    if (self->position < headBytes && count > 0) {
        done = std::min(count, headBytes - self->position);
        std::memcpy(to, self->head.data() + self->position, static_cast<std::size_t>(done));
    }
    if (done < count) {
        const int64_t inFrames = self->position + done - headBytes;
        done += static_cast<sf_count_t>(
            self->file.readAt(to + done, static_cast<std::size_t>(count - done), self->framesAt + inFrames));
    }
    self->position += done;
    return done;
}

sf_count_t WaveView::tell(void* view) { return static_cast<WaveView*>(view)->position; }
