#include "instruments/wave_view.h"

#include <algorithm>
#include <cstring>

#include "instruments/regular_file.h"

namespace {

// More chunks than any real file holds before its frames.
constexpr int kMostChunks = 4096;
// Format chunks hold a few dozen bytes; the largest (ADPCM with its
// coefficients) well under this.
constexpr uint32_t kLargestFormat = 4096;

bool is(const unsigned char* at, const char* marker) { return std::memcmp(at, marker, 4) == 0; }

bool printable(const unsigned char* at) {
    return std::all_of(at, at + 4, [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
}

}  // namespace

WaveView::WaveView(const RegularFile& file) : file(file) {
    unsigned char header[12];
    if (file.readAt(header, sizeof header, 0) != sizeof header) return;
    const bool bigEndian = is(header, "RIFX");
    wave = (bigEndian || is(header, "RIFF")) && is(header + 8, "WAVE");
    if (!wave) return;
    const auto size = [bigEndian](const unsigned char* at) {
        return bigEndian ? uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3]
                         : uint32_t{at[3]} << 24 | uint32_t{at[2]} << 16 | uint32_t{at[1]} << 8 | at[0];
    };
    const uint32_t riffSize = size(header + 4);

    // Chunks follow one another, each padded to an even length. The walk
    // ends at the first data chunk, or where the list stops making sense.
    std::vector<unsigned char> format;
    int64_t at = 12;
    unsigned char chunk[8];
    for (int count = 0; count < kMostChunks && file.readAt(chunk, sizeof chunk, at) == sizeof chunk && printable(chunk);
         count++) {
        const uint32_t claimed = size(chunk + 4);
        const int64_t padded = int64_t{claimed} + (claimed & 1);
        at += 8;
        if (is(chunk, "fmt ") && format.empty()) {
            if (claimed > kLargestFormat) return;
            format.assign(chunk, chunk + 8);
            format.resize(8 + static_cast<std::size_t>(padded));
            file.readAt(format.data() + 8, static_cast<std::size_t>(claimed), at);
        } else if (is(chunk, "data")) {
            if (format.empty()) return;
            const int64_t there = std::max<int64_t>(file.size() - at, 0);
            // A file whose writer never came back to fill in the sizes.
            const bool unfinished = claimed == 0 && riffSize == 8;
            framesAt = at;
            frameBytes = unfinished ? there : std::min(padded, there);
            head.assign(header, header + sizeof header);
            head.insert(head.end(), format.begin(), format.end());
            head.insert(head.end(), chunk, chunk + sizeof chunk);
            return;
        }
        at += padded;
    }
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
