#include "synth/editor_loads.h"

#include <utility>

#include "instruments/load_cancel.h"

void EditorLoads::add(Load load) {
    std::lock_guard<std::mutex> lock(mutex);
    if (stopping) return;
    queue.push_back(std::move(load));
    if (!worker.joinable()) worker = std::thread(&EditorLoads::run, this);
    changed.notify_all();
}

void EditorLoads::finish() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return queue.empty() && !busy; });
}

void EditorLoads::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        cancel = true;
        queue.clear();
        changed.notify_all();
    }
    if (worker.joinable()) worker.join();
}

void EditorLoads::run() {
    const LoadCancel giveUpWhenStopped(cancel);
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || !queue.empty(); });
        if (stopping) return;
        Load load = std::move(queue.front());
        queue.pop_front();
        busy = true;
        lock.unlock();
        load();
        lock.lock();
        busy = false;
        changed.notify_all();
    }
}
