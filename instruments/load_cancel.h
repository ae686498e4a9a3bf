// A load on a thread that may be asked to give up part way, such as the
// plug-in's loader thread when the host closes the plug-in: the thread
// names the flag that asks, and the loaders look at it each time they make
// room for more frames. Loads on other threads never give up.
#pragma once

#include <atomic>

class LoadCancel {
public:
    explicit LoadCancel(const std::atomic<bool>& flag) { watched = &flag; }
    ~LoadCancel() { watched = nullptr; }
    LoadCancel(const LoadCancel&) = delete;
    LoadCancel& operator=(const LoadCancel&) = delete;

    static bool requested() { return watched && watched->load(std::memory_order_relaxed); }

private:
    static inline thread_local const std::atomic<bool>* watched = nullptr;
};
