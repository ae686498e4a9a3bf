#include "editor-program/headless_loop.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "editor-program/headless_window.h"
#include "editor-program/parent_watch.h"
#include "editor-program/uicommunication.h"

int runHeadless(UICommunication& communication, HeadlessWindow& window, const ParentWatch& parent) {
    // SIGTERM and SIGINT arrive as readable data, between two polls.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &endSignals, nullptr);
    const int signals = signalfd(-1, &endSignals, SFD_CLOEXEC);
    const int ticks = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    itimerspec every20ms{};
    every20ms.it_value.tv_nsec = every20ms.it_interval.tv_nsec = 20 * 1000000L;
    if (signals < 0 || ticks < 0 || timerfd_settime(ticks, 0, &every20ms, nullptr) != 0) {
        std::printf("Quaxel2UI > error can't start the poll timer\n");
        return 1;
    }

    pollfd fds[2] = {{ticks, POLLIN, 0}, {signals, POLLIN, 0}};
    while (!window.quitRequested) {
        const int ready = poll(fds, 2, -1);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        if (fds[1].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(signals, &info, sizeof info) == sizeof info)
                std::printf("Quaxel2UI > terminating on signal %u\n", info.ssi_signo);
            break;
        }
        if (fds[0].revents & POLLIN) {
            uint64_t expirations;
            if (read(ticks, &expirations, sizeof expirations) != sizeof expirations) continue;
            communication.processMessageFromPlugin();
            if (!window.quitRequested && parent.gone()) {
                std::printf("Quaxel2UI > plugin process is gone, terminating\n");
                break;
            }
        }
    }
    close(ticks);
    close(signals);
    return 0;
}
