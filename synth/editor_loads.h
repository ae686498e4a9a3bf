// The sample files and sounds the editor program asks for, loaded on a
// thread of their own, one after another in the order asked. A poll that
// decoded them itself would hold up the editor's later messages, and the
// host closing the editor, which waits for a poll under way.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class EditorLoads {
public:
    using Load = std::function<void()>;

    EditorLoads() = default;
    ~EditorLoads() { stop(); }
    EditorLoads(const EditorLoads&) = delete;
    EditorLoads& operator=(const EditorLoads&) = delete;

    // Queues a load; the thread starts with the first. Ignored once stopped.
    void add(Load load);
    // Waits until every load queued so far has run.
    void finish();
    // Asks the load under way to give up, drops those not begun, and ends
    // the thread.
    void stop();

private:
    void run();

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Load> queue;
    bool busy = false;
    bool stopping = false;
    std::atomic<bool> cancel{false};  // seen by the loaders on the thread
    std::thread worker;
};
