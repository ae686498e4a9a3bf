// The queue of messages to the editor program: order and content, a full
// queue, writing to a real pipe, and that pushing neither allocates nor
// waits for the consumer. The ThreadStress test runs under ThreadSanitizer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/allocation_counter.h"
#include "editor/outgoing_queue.h"
#include "editor/ui_decoder.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes popAll(OutgoingQueue& queue) {
    Bytes all;
    unsigned char chunk[UiMessage::kMaxSize];
    while (std::size_t size = queue.pop(chunk, sizeof chunk)) all.insert(all.end(), chunk, chunk + size);
    return all;
}

void append(Bytes& to, const UiMessage& m) { to.insert(to.end(), m.bytes, m.bytes + m.size); }

// The parameter and announcement messages decoded, as (index or id, value
// or name length); the other kinds are only counted.
struct ParameterLog : ToUiHandler {
    std::vector<std::pair<int32_t, float>> received;
    int others = 0;
    void parameter(int32_t index, float value) override { received.emplace_back(index, value); }
    void instrumentAdded(int32_t id, std::string_view name) override {
        received.emplace_back(id, static_cast<float>(name.size()));
    }
    void midi(uint8_t, uint8_t, uint8_t) override { others++; }
    void reload() override { others++; }
    void reattach(std::string_view) override { others++; }
    void quit() override { others++; }
    void waveformReady() override { others++; }
    void programName(int32_t, std::string_view) override { others++; }
    void currentProgram(int32_t) override { others++; }
    void outputLevel(float, float) override { others++; }
    void unhandled(uint8_t) override { others++; }
};

struct Pipe {
    int read = -1, write = -1;
    explicit Pipe(int flags) {
        int fds[2];
        if (pipe2(fds, flags) == 0) read = fds[0], write = fds[1];
    }
    ~Pipe() {
        close(read);
        close(write);
    }
    int available() const {
        int n = 0;
        ioctl(read, FIONREAD, &n);
        return n;
    }
    Bytes drain() const {
        Bytes all(static_cast<std::size_t>(available()));
        ssize_t got = all.empty() ? 0 : ::read(read, all.data(), all.size());
        all.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return all;
    }
};

TEST(OutgoingQueue, KeepsOrderAndContentAcrossTheRingsEnd) {
    OutgoingQueue queue;
    Bytes expected, popped;
    // Sizes from 1 to 4096 bytes, and far more than the ring holds in all.
    for (int i = 0; i < 3000; i++) {
        const UiMessage m = i % 97 == 0 ? toUi::reattach(std::string(4090, static_cast<char>('0' + i % 10)))
                                        : toUi::instrumentAdded(i, std::string(i % 300, static_cast<char>('a' + i % 26)));
        ASSERT_TRUE(queue.push(m)) << i;
        append(expected, m);
        if (i % 7 == 6) {
            const Bytes some = popAll(queue);
            popped.insert(popped.end(), some.begin(), some.end());
        }
        if (i % 5 == 0) {
            ASSERT_TRUE(queue.push(toUi::reload()));
            append(expected, toUi::reload());
        }
    }
    const Bytes rest = popAll(queue);
    popped.insert(popped.end(), rest.begin(), rest.end());
    EXPECT_EQ(popped, expected);
    EXPECT_EQ(queue.dropped(), 0u);
}

TEST(OutgoingQueue, AFullQueueDropsUntilTheConsumerCatchesUp) {
    OutgoingQueue queue;
    // A nine-byte message takes four words: a header and three for the bytes.
    const std::size_t fits = OutgoingQueue::kCapacityWords / 4;
    for (std::size_t i = 0; i < fits; i++) ASSERT_TRUE(queue.push(toUi::parameter(static_cast<int32_t>(i), 0.5f))) << i;
    EXPECT_FALSE(queue.push(toUi::parameter(-1, 0.5f)));
    EXPECT_FALSE(queue.push(toUi::reload()));
    EXPECT_EQ(queue.dropped(), 2u);

    unsigned char out[20];
    EXPECT_EQ(queue.pop(out, sizeof out), 18u);  // whole messages only
    EXPECT_TRUE(queue.push(toUi::reload()));
    const Bytes rest = popAll(queue);
    EXPECT_EQ(rest.size(), (fits - 2) * 9 + 1);
    EXPECT_EQ(rest.back(), toUiReload);
    EXPECT_FALSE(queue.push(UiMessage{}));  // nothing to send
}

TEST(OutgoingQueue, WritesWholeMessagesAndLosesWhatAFullPipeRefuses) {
    Pipe pipe(O_NONBLOCK);
    ASSERT_GE(pipe.write, 0);
    ASSERT_GT(fcntl(pipe.write, F_SETPIPE_SZ, 4096), 0);  // one page, the smallest pipe
    OutgoingQueue queue;
    for (int i = 0; i < 1000; i++) ASSERT_TRUE(queue.push(toUi::parameter(i, 0.25f)));
    const std::size_t written = queue.writeTo(pipe.write);
    EXPECT_EQ(written % 9, 0u);  // never a part of a message
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, 9000u);

    const Bytes arrived = pipe.drain();
    ASSERT_EQ(arrived.size(), written);
    ParameterLog log;
    ToUiDecoder decoder(4096, log);
    decoder.feed(arrived.data(), arrived.size());
    ASSERT_EQ(log.received.size(), written / 9);
    for (std::size_t i = 0; i < log.received.size(); i++) EXPECT_EQ(log.received[i].first, static_cast<int32_t>(i));
    EXPECT_EQ(log.others, 0);

    // The queue is empty again and the pipe has room: the next write goes through.
    ASSERT_TRUE(queue.push(toUi::waveformReady()));
    EXPECT_EQ(queue.writeTo(pipe.write), 1u);
    EXPECT_EQ(queue.writeTo(-1), 0u);
}

TEST(OutgoingQueue, PushingAllocatesNothing) {
    OutgoingQueue queue;
    AllocationCounter counter;
    for (int i = 0; i < 100; i++) {
        queue.push(toUi::midi(144, i, 100));
        queue.push(toUi::parameter(i, 0.5f));
    }
    EXPECT_EQ(counter.count(), 0);
}

TEST(OutgoingQueue, PushingNeverWaitsForTheConsumer) {
    // The consumer is held inside writeTo: a blocking pipe that is full.
    Pipe pipe(0);
    ASSERT_GT(fcntl(pipe.write, F_SETPIPE_SZ, 4096), 0);
    OutgoingQueue queue;
    for (int i = 0; i < 1000; i++) ASSERT_TRUE(queue.push(toUi::parameter(i, 0.5f)));
    std::atomic<bool> consumerReturned{false};
    std::thread consumer([&] {
        queue.writeTo(pipe.write);
        consumerReturned = true;
    });
    while (pipe.available() < 4000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    const auto start = std::chrono::steady_clock::now();
    int pushed = 0;
    while (queue.push(toUi::midi(144, 60, 100))) pushed++;
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(consumerReturned);
    EXPECT_GT(pushed, 1000);
    EXPECT_LT(took, std::chrono::milliseconds(500));

    while (!consumerReturned) {
        pipe.drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    consumer.join();
}

// Producers on several threads while the consumer takes messages out: each
// producer's messages arrive in its order, and exactly those whose push
// succeeded. Producer 0 drops on a full queue, as the audio thread does;
// the others retry, so that most messages meet others in the ring.
TEST(ThreadStressOutgoingQueue, ProducersKeepTheirOrderAndNothingIsLostUnaccounted) {
    constexpr int kProducers = 4;
    constexpr int kPerProducer = 20000;
    OutgoingQueue queue;
    std::vector<std::vector<int>> accepted(kProducers);
    std::atomic<int> attempts{0};
    std::atomic<int> running{kProducers};

    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; p++)
        producers.emplace_back([&, p] {
            for (int seq = 0; seq < kPerProducer; seq++) {
                // Mixed sizes: a parameter, or a text whose length varies.
                const UiMessage m = seq % 3 ? toUi::parameter(p, static_cast<float>(seq))
                                            : toUi::instrumentAdded(p, std::string(static_cast<std::size_t>(seq % 61), 'n'));
                for (;;) {
                    attempts++;
                    if (queue.push(m)) {
                        accepted[p].push_back(seq);
                        break;
                    }
                    if (p == 0) break;
                    std::this_thread::yield();
                }
            }
            --running;
        });

    ParameterLog log;
    ToUiDecoder decoder(65536, log);
    unsigned char chunk[UiMessage::kMaxSize];
    for (bool last = false; !last;) {
        last = running == 0;
        while (std::size_t size = queue.pop(chunk, sizeof chunk)) decoder.feed(chunk, size);
    }
    for (std::thread& t : producers) t.join();

    std::vector<std::vector<int>> received(kProducers);
    for (const auto& [producer, value] : log.received) {
        ASSERT_TRUE(producer >= 0 && producer < kProducers);
        received[producer].push_back(static_cast<int>(value));
    }
    std::size_t total = 0;
    for (int p = 0; p < kProducers; p++) {
        ASSERT_EQ(received[p].size(), accepted[p].size()) << p;
        for (std::size_t i = 0; i < accepted[p].size(); i++) {
            const int seq = accepted[p][i];  // a text message carries seq % 61 as its length
            ASSERT_EQ(received[p][i], seq % 3 ? seq : seq % 61) << "producer " << p << " message " << i;
        }
        total += accepted[p].size();
    }
    for (int p = 1; p < kProducers; p++) EXPECT_EQ(accepted[p].size(), static_cast<std::size_t>(kPerProducer));
    EXPECT_EQ(total + queue.dropped(), static_cast<std::size_t>(attempts));
    EXPECT_EQ(log.others, 0);
}

}  // namespace
