// The editor program's poll: the plug-in's messages, then what shared
// memory shows (meters, markers, envelopes). Every 20 ms while messages come
// and go; after a second without any, every 100 ms with the plug-in's FIFO
// watched, so that an idle window wakes ten times a second rather than
// fifty and a message still wakes it at once (and the pace comes back).
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

class PollPace : public QObject {
public:
    static constexpr int kBusyMilliseconds = 20;
    static constexpr int kIdleMilliseconds = 100;
    static constexpr int kQuietPollsBeforeIdle = 50;

    // `poll` does one poll; `traffic` counts the messages sent and read so
    // far; `fifo` is the descriptor the plug-in's messages arrive on (-1:
    // none, and the pace stays busy).
    PollPace(std::function<void()> poll, std::function<uint64_t()> traffic, int fifo);

    bool idle() const { return timer.interval() == kIdleMilliseconds; }

private:
    void tick();
    void setIdle(bool on);

    std::function<void()> poll;
    std::function<uint64_t()> traffic;
    QTimer timer;
    std::unique_ptr<QSocketNotifier> arrival;
    uint64_t trafficSeen = 0;
    int quietPolls = 0;
};
