#include "editor/outgoing_queue.h"

#include <errno.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

// A header word holds the message's size in bytes; a padding record fills
// the end of the ring when a record does not fit there. A zero header is a
// record not yet published.
constexpr uint32_t kPadding = 0x80000000u;

std::size_t wordsFor(std::size_t bytes) { return 1 + (bytes + 3) / 4; }

}  // namespace

OutgoingQueue::OutgoingQueue() : ring(new std::atomic<uint32_t>[kCapacityWords]()) {}

bool OutgoingQueue::push(const unsigned char* bytes, int size) {
    if (size <= 0 || size > UiMessage::kMaxSize) return false;
    const std::size_t words = wordsFor(static_cast<std::size_t>(size));
    uint64_t start = head.load(std::memory_order_relaxed);
    std::size_t padding, index;
    for (;;) {
        index = start % kCapacityWords;
        padding = index + words > kCapacityWords ? kCapacityWords - index : 0;
        // Acquire: the consumer's zeroing of these words comes before our writes.
        if (start + padding + words > tail.load(std::memory_order_acquire) + kCapacityWords) {
            droppedCount.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        if (head.compare_exchange_weak(start, start + padding + words, std::memory_order_relaxed)) break;
    }
    const std::size_t at = padding ? 0 : index;
    for (std::size_t w = 1; w < words; w++) {
        uint32_t word = 0;
        const std::size_t offset = (w - 1) * 4;
        std::memcpy(&word, bytes + offset, std::min<std::size_t>(4, static_cast<std::size_t>(size) - offset));
        ring[at + w].store(word, std::memory_order_relaxed);
    }
    ring[at].store(static_cast<uint32_t>(size), std::memory_order_release);
    if (padding) ring[index].store(kPadding, std::memory_order_release);
    return true;
}

std::size_t OutgoingQueue::pop(unsigned char* out, std::size_t capacity) {
    uint64_t position = tail.load(std::memory_order_relaxed);
    std::size_t moved = 0;
    for (;;) {
        const std::size_t index = position % kCapacityWords;
        const uint32_t header = ring[index].load(std::memory_order_acquire);
        if (header == 0) break;
        if (header == kPadding) {
            ring[index].store(0, std::memory_order_relaxed);
            position += kCapacityWords - index;
            continue;
        }
        const std::size_t size = header;
        if (moved + size > capacity) break;
        const std::size_t words = wordsFor(size);
        for (std::size_t w = 1; w < words; w++) {
            const uint32_t word = ring[index + w].load(std::memory_order_relaxed);
            const std::size_t offset = (w - 1) * 4;
            std::memcpy(out + moved + offset, &word, std::min<std::size_t>(4, size - offset));
            ring[index + w].store(0, std::memory_order_relaxed);
        }
        ring[index].store(0, std::memory_order_relaxed);
        moved += size;
        position += words;
    }
    tail.store(position, std::memory_order_release);
    return moved;
}

std::size_t OutgoingQueue::writeTo(int fd) {
    unsigned char chunk[PIPE_BUF];
    static_assert(PIPE_BUF >= UiMessage::kMaxSize);
    std::size_t written = 0;
    while (std::size_t size = pop(chunk, sizeof chunk)) {
        ssize_t result;
        do result = write(fd, chunk, size);
        while (result < 0 && errno == EINTR);
        if (result > 0) written += static_cast<std::size_t>(result);
    }
    return written;
}
