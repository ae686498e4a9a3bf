#include "editor/timer.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace {

void reportCreationFailure(int error) {
    std::printf("timer creation failed err = %d\n", error);
    switch (error) {
    case ENOMEM: std::printf("Could not allocate memory. "); break;
    case EINVAL: std::printf("Clock ID, sigev_notify, sigev_signo, or sigev_notify_thread_id is invalid. "); break;
    case EAGAIN: std::printf("Temporary error during kernel allocation of timer structures. "); break;
    default: break;
    }
    std::fflush(stdout);
}

}  // namespace

itimerspec timerSpecFor(int ms) {
    itimerspec setting{};
    setting.it_value.tv_sec = ms / 1000;
    setting.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    setting.it_interval = setting.it_value;
    return setting;
}

Timer::Timer() {
    // Close-on-exec: the plug-in starts the editor program from this process.
    timerFd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timerFd >= 0) wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (timerFd < 0 || wakeFd < 0) reportCreationFailure(errno);
}

Timer::~Timer() {
    stop();
    if (threadStarted) {
        const uint64_t one = 1;
        if (write(wakeFd, &one, sizeof one) == sizeof one) pthread_join(thread, nullptr);
        else pthread_detach(thread);  // cannot happen: the counter is far from full
    }
    if (wakeFd >= 0) close(wakeFd);
    if (timerFd >= 0) close(timerFd);
}

bool Timer::startThread() {
    if (threadStarted) return true;
    // The thread takes no signal meant for the host: it starts with all blocked.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const int error = pthread_create(&thread, nullptr, &Timer::run, this);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (error != 0) {
        reportCreationFailure(error);
        return false;
    }
    threadStarted = true;
    return true;
}

bool Timer::onTimerThread() const { return threadStarted && pthread_equal(pthread_self(), thread); }

int Timer::start(int ms) {
    std::lock_guard<std::mutex> lock(mutex);
    if (wakeFd < 0 || !startThread()) {
        errno = EBADF;
        return -1;
    }
    const itimerspec setting = timerSpecFor(ms);
    itimerspec previous;
    const int result = timerfd_settime(timerFd, 0, &setting, &previous);
    armed = result == 0 && (setting.it_value.tv_sec != 0 || setting.it_value.tv_nsec != 0);
    return result;
}

int Timer::stop() {
    std::unique_lock<std::mutex> lock(mutex);
    armed = false;
    const itimerspec zero{};
    const int result = timerFd >= 0 ? timerfd_settime(timerFd, 0, &zero, nullptr) : (errno = EBADF, -1);
    if (!onTimerThread()) idle.wait(lock, [this] { return !running; });
    return result;
}

void Timer::callback() {
    if (callbackFunction && userData) callbackFunction(userData);
}

void* Timer::run(void* self) {
    auto* timer = static_cast<Timer*>(self);
    pollfd fds[2] = {{timer->timerFd, POLLIN, 0}, {timer->wakeFd, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return nullptr;
        }
        if (fds[1].revents) return nullptr;
        uint64_t expirations;
        if (read(timer->timerFd, &expirations, sizeof expirations) == sizeof expirations) {
            union sigval value;
            value.sival_ptr = timer;
            callback_wrap(value);
        }
    }
}

void callback_wrap(union sigval value) {
    auto* timer = static_cast<Timer*>(value.sival_ptr);
    {
        std::lock_guard<std::mutex> lock(timer->mutex);
        if (!timer->armed) return;
        timer->running = true;
    }
    timer->callback();
    {
        std::lock_guard<std::mutex> lock(timer->mutex);
        timer->running = false;
    }
    timer->idle.notify_all();
}
