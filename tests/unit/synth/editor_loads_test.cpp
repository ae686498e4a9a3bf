// The editor's loader thread: stopping it (the host closing the plug-in)
// asks the load under way to give up instead of waiting for it to finish.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "instruments/load_cancel.h"
#include "synth/editor_loads.h"

TEST(EditorLoads, StoppingAsksTheLoadUnderWayToGiveUpAndDropsTheRest) {
    EditorLoads loads;
    std::promise<void> started;
    bool laterRan = false;
    // Stands for a long decode: it ends only when asked to give up.
    loads.add([&] {
        started.set_value();
        while (!LoadCancel::requested()) std::this_thread::yield();
    });
    loads.add([&] { laterRan = true; });
    started.get_future().wait();
    auto stopping = std::async(std::launch::async, [&] { loads.stop(); });
    ASSERT_EQ(stopping.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "stop waited for the load";
    EXPECT_FALSE(laterRan);
}
