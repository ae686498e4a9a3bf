// The mutex that guards what the audio thread renders. It inherits
// priority: when the audio thread (running at real-time priority in a host)
// waits for it, the holder runs at that priority until it lets go, instead
// of waiting behind other threads while it holds the engine.
#pragma once

#include <pthread.h>

#include <chrono>
#include <ctime>

class EngineMutex {
public:
    EngineMutex() {
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
        pthread_mutex_init(&mutex, &attributes);
        pthread_mutexattr_destroy(&attributes);
    }
    ~EngineMutex() { pthread_mutex_destroy(&mutex); }
    EngineMutex(const EngineMutex&) = delete;
    EngineMutex& operator=(const EngineMutex&) = delete;

    void lock() { pthread_mutex_lock(&mutex); }
    void unlock() { pthread_mutex_unlock(&mutex); }
    bool try_lock() { return pthread_mutex_trylock(&mutex) == 0; }
    // Waits at most `wait` for the mutex.
    bool try_lock_for(std::chrono::microseconds wait) {
        timespec until;
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_nsec += static_cast<long>(wait.count()) * 1000;
        until.tv_sec += until.tv_nsec / 1000000000;
        until.tv_nsec %= 1000000000;
        return pthread_mutex_timedlock(&mutex, &until) == 0;
    }

private:
    pthread_mutex_t mutex;
};
