#include "instruments/riff_metadata.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "instruments/little_endian.h"
#include "instruments/regular_file.h"

namespace {

constexpr uint32_t kRunaway = 0x80000000u;
constexpr int kMostChunks = 4096;

uint32_t word(const unsigned char* at) { return static_cast<uint32_t>(readLittleEndian(at, 4)); }

bool is(const unsigned char* at, const char* marker) { return std::memcmp(at, marker, 4) == 0; }

bool named(const unsigned char* at) {
    return std::all_of(at, at + 4, [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
}

// Walks the subchunks of one text chunk as the library does, with its
// unsigned 32-bit count of the bytes read. Subchunks with a size of their
// own are skipped by it, unless the size fails the library's own checks,
// which end the walk; markers without a size are passed.
bool runawayIn(const std::vector<unsigned char>& body) {
    const std::size_t size = body.size();
    uint32_t counted = 0;
    std::size_t at = 0;
    while (counted < size && at + 4 <= size) {
        const unsigned char* marker = &body[at];
        at += 4;
        counted += 4;
        if (is(marker, "adtl") || is(marker, "INFO")) continue;
        if (word(marker) == 0 || is(marker, "data")) return false;
        if (is(marker, "exif")) {
            // Its reader counts in ways of its own; what follows it cannot be
            // placed exactly, so any word past it that could run away counts.
            for (std::size_t i = at; i + 4 <= size; i++)
                if (word(&body[i]) >= kRunaway) return true;
            return false;
        }
        if (at + 4 > size) return false;
        uint32_t length = word(&body[at]);
        at += 4;
        counted += 4;
        length += length & 1;
        // The text and label subchunks the library bounds by its buffer;
        // the others it checks only against the count, which wraps.
        if (counted + length > size) return false;
        if (length >= kRunaway) return true;
        at += length;
        counted += length;
    }
    return false;
}

}  // namespace

bool hasRunawayTextChunk(const RegularFile& file) {
    unsigned char header[12];
    if (file.readAt(header, sizeof header, 0) != sizeof header || !is(header, "RIFF") || !is(header + 8, "WAVE"))
        return false;
    // Chunks have printable names; past the last one (zeros of a sparse
    // file, frames after a data chunk that claims too little) there is
    // nothing the library takes as text. Real files hold a few chunks.
    int64_t at = 12;
    unsigned char chunk[8];
    for (int count = 0; count < kMostChunks && file.readAt(chunk, sizeof chunk, at) == sizeof chunk && named(chunk); count++) {
        const int64_t length = word(chunk + 4);
        at += 8;
        if (is(chunk, "LIST") || is(chunk, "INFO")) {
            // The library stops at the end of the file.
            const int64_t held = std::min<int64_t>(length, file.size() - at);
            std::vector<unsigned char> body(static_cast<std::size_t>(std::max<int64_t>(held, 0)));
            if (file.readAt(body.data(), body.size(), at) == body.size() && runawayIn(body)) return true;
        }
        at += length + (length & 1);
    }
    return false;
}
