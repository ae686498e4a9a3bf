// A periodic timer that calls a plain function with a user pointer; the
// editor polls the UI FIFO with it every 10 ms while the editor is open.
//
// Expirations are delivered on one thread of the timer's own that waits on
// a kernel interval timer (a timerfd), not through SIGEV_THREAD. SIGEV_THREAD
// starts a thread per expiration, so a slow poll (a sample file being
// decoded) would overlap the next one, and a notification already on its
// way can still arrive after the timer is deleted, into a destroyed object.
// With one thread, polls run one after another by construction, missed
// expirations fold into one, and the destructor joins the thread, so no
// callback runs after it. The thread starts with the first `start`, so a
// plug-in that never opens its editor has none.
#pragma once

#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <condition_variable>
#include <mutex>

// The setting `start(ms)` arms: ms / 1000 seconds and (ms mod 1000) million
// nanoseconds, as first expiration and as period alike.
itimerspec timerSpecFor(int ms);

class Timer {
public:
    Timer();
    // Stops the timer and ends its thread. Not to be called from the callback.
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Arms the timer: first expiration in ms milliseconds, then every ms
    // milliseconds; 0 disarms. Returns 0, or -1 on failure.
    int start(int ms);
    // Disarms the timer. When it returns, no callback is running and none
    // will run before the next `start`; called from within the callback it
    // returns at once and the callback finishes. Returns 0, or -1 on failure.
    int stop();
    // Calls the callback with the user data, if both are set.
    void callback();

    // Set by the owner while the timer is stopped.
    void (*callbackFunction)(void*) = nullptr;
    void* userData = nullptr;

private:
    friend void callback_wrap(union sigval value);
    static void* run(void* timer);
    bool startThread();
    bool onTimerThread() const;

    int timerFd = -1;
    int wakeFd = -1;  // ends the thread
    pthread_t thread{};
    bool threadStarted = false;

    std::mutex mutex;
    std::condition_variable idle;
    bool armed = false;
    bool running = false;
};

// Called at each expiration with the Timer as the value: runs its callback
// unless the timer was stopped meanwhile, and lets `stop` wait for it.
void callback_wrap(union sigval value);
