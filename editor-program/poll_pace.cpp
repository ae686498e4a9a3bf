#include "editor-program/poll_pace.h"

PollPace::PollPace(std::function<void()> poll, std::function<uint64_t()> traffic, int fifo)
    : poll(std::move(poll)), traffic(std::move(traffic)) {
    if (fifo >= 0) {
        arrival = std::make_unique<QSocketNotifier>(fifo, QSocketNotifier::Read);
        arrival->setEnabled(false);
        connect(arrival.get(), &QSocketNotifier::activated, this, [this] { tick(); });
    }
    connect(&timer, &QTimer::timeout, this, [this] { tick(); });
    timer.start(kBusyMilliseconds);
}

void PollPace::tick() {
    poll();
    const uint64_t now = traffic();
    if (now != trafficSeen) {
        trafficSeen = now;
        quietPolls = 0;
        setIdle(false);
    } else if (arrival && ++quietPolls >= kQuietPollsBeforeIdle) {
        setIdle(true);
    }
}

void PollPace::setIdle(bool on) {
    if (on == idle()) return;
    // While busy the timer reads often enough; watching the FIFO as well
    // would only wake the program twice for the plug-in's frequent messages.
    if (arrival) arrival->setEnabled(on);
    timer.start(on ? kIdleMilliseconds : kBusyMilliseconds);
}
