// The mutex that guards what the audio thread renders. It inherits
// priority: when the audio thread (running at real-time priority in a host)
// waits for it, the holder runs at that priority until it lets go, instead
// of waiting behind other threads while it holds the engine.
#pragma once

#include <pthread.h>

#include <chrono>
#include <ctime>
#include <mutex>

#include "host/thread_annotations.h"
#include "instruments/instrument_access.h"

class CAPABILITY("mutex") EngineMutex {
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

    // Each also takes or gives back the right to touch the instruments of
    // the engine's racks (see instrument_access.h).
    void lock() ACQUIRE(this, instrumentAccess) NO_THREAD_SAFETY_ANALYSIS { pthread_mutex_lock(&mutex); }
    void unlock() RELEASE(this, instrumentAccess) NO_THREAD_SAFETY_ANALYSIS { pthread_mutex_unlock(&mutex); }
    bool try_lock() TRY_ACQUIRE(true, this, instrumentAccess) NO_THREAD_SAFETY_ANALYSIS {
        return pthread_mutex_trylock(&mutex) == 0;
    }
    // Waits at most `wait` for the mutex. A free mutex is taken without
    // asking for the time (which may be a system call on some machines).
    bool try_lock_for(std::chrono::microseconds wait) TRY_ACQUIRE(true, this, instrumentAccess) NO_THREAD_SAFETY_ANALYSIS {
        if (pthread_mutex_trylock(&mutex) == 0) return true;
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

// The structure lock: serialises the slow structural work (program changes,
// chunks, new instruments, format changes) of the threads other than the
// audio thread. Re-entrant: an operation may call another that takes it.
class CAPABILITY("mutex") StructureMutex {
public:
    void lock() ACQUIRE() { mutex.lock(); }
    void unlock() RELEASE() { mutex.unlock(); }

private:
    std::recursive_mutex mutex;
};

// Holds a lock for a scope, in a form the thread-safety analysis follows.
template <typename Mutex>
class SCOPED_CAPABILITY Locked {
public:
    explicit Locked(Mutex& mutex) ACQUIRE(mutex) : held(mutex) { held.lock(); }
    ~Locked() RELEASE() { held.unlock(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    Mutex& held;
};

// Held for a scope, an engine lock also grants the right to touch the
// instruments of its engine's racks.
template <>
class SCOPED_CAPABILITY Locked<EngineMutex> {
public:
    explicit Locked(EngineMutex& mutex) ACQUIRE(mutex, instrumentAccess) : held(mutex) { held.lock(); }
    ~Locked() RELEASE() { held.unlock(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    EngineMutex& held;
};
