// The plug-in's messages to the editor program, from any thread, in the
// order they were pushed. Every outgoing message goes through it: the audio
// thread may push (a note echo, a parameter a host set there), so pushing
// takes no lock, makes no system call and allocates nothing. A single
// consumer, the poll thread, writes what it holds to the plugin FIFO.
//
// A ring of 32-bit words. A producer reserves the words of its record by
// advancing `head` with compare-and-swap, writes the record and then its
// header word, which publishes it. The consumer takes records in order up
// to the first one not yet published, zeroes their words and advances
// `tail`, which hands the words back to the producers.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "editor/ui_messages.h"

class OutgoingQueue {
public:
    // One pipe's worth of bytes by default.
    static constexpr std::size_t kCapacityWords = 16384;
    static_assert(std::atomic<uint64_t>::is_always_lock_free && std::atomic<uint32_t>::is_always_lock_free);

    OutgoingQueue();
    OutgoingQueue(const OutgoingQueue&) = delete;
    OutgoingQueue& operator=(const OutgoingQueue&) = delete;

    // Any thread. False when the queue is full: the message is dropped, as
    // a full pipe would drop it. An empty message is not queued.
    bool push(const UiMessage& message) { return push(message.bytes, message.size); }
    bool push(const unsigned char* bytes, int size);

    // Consumer only. Moves whole messages, oldest first, into `out` while
    // they fit in `capacity`; returns the bytes moved.
    std::size_t pop(unsigned char* out, std::size_t capacity);
    // Consumer only. Writes everything held to `fd` in writes of whole
    // messages of at most PIPE_BUF bytes, each reaching the pipe whole or
    // not at all; what a full pipe or a bad descriptor refuses is lost.
    // Returns the bytes written.
    std::size_t writeTo(int fd);

    // Messages refused because the queue was full.
    uint64_t dropped() const { return droppedCount.load(std::memory_order_relaxed); }

private:
    std::unique_ptr<std::atomic<uint32_t>[]> ring;
    alignas(64) std::atomic<uint64_t> head{0};  // words reserved by producers
    alignas(64) std::atomic<uint64_t> tail{0};  // words released by the consumer
    alignas(64) std::atomic<uint64_t> droppedCount{0};
};
