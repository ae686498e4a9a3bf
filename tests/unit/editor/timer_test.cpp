// The poll timer, against the real clock: its arming arithmetic, its period,
// and the promise that callbacks never overlap and that `stop` returns only
// once none is running.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "editor/timer.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};
    milliseconds busyFor{0};
    std::function<void(int)> onCall;

    static void count(void* self) {
        auto* c = static_cast<Counter*>(self);
        const int now = ++c->inside;
        for (int seen = c->mostInside; now > seen && !c->mostInside.compare_exchange_weak(seen, now);) {}
        const int call = ++c->calls;
        if (c->busyFor.count()) std::this_thread::sleep_for(c->busyFor);
        if (c->onCall) c->onCall(call);
        --c->inside;
    }
    void attach(Timer& timer) {
        timer.callbackFunction = &Counter::count;
        timer.userData = this;
    }
};

// Waits up to two seconds for `done`.
template <typename Predicate>
bool eventually(Predicate done) {
    for (auto until = Clock::now() + milliseconds(2000); Clock::now() < until;) {
        if (done()) return true;
        std::this_thread::sleep_for(milliseconds(2));
    }
    return done();
}

TEST(Timer, ArmsWholeSecondsAndTheRestInNanoseconds) {
    struct Case {
        int ms;
        time_t seconds;
        long nanoseconds;
    };
    for (const Case& c : {Case{10, 0, 10000000}, Case{2500, 2, 500000000}, Case{1000, 1, 0}, Case{999, 0, 999000000},
                          Case{0, 0, 0}}) {
        const itimerspec setting = timerSpecFor(c.ms);
        EXPECT_EQ(setting.it_value.tv_sec, c.seconds) << c.ms;
        EXPECT_EQ(setting.it_value.tv_nsec, c.nanoseconds) << c.ms;
        EXPECT_EQ(setting.it_interval.tv_sec, c.seconds) << c.ms;
        EXPECT_EQ(setting.it_interval.tv_nsec, c.nanoseconds) << c.ms;
    }
}

TEST(Timer, FirstExpiresAfterOnePeriodThenEveryPeriod) {
    Counter counter;
    Timer timer;
    counter.attach(timer);
    const auto started = Clock::now();
    ASSERT_EQ(timer.start(50), 0);
    std::this_thread::sleep_for(milliseconds(20));
    EXPECT_EQ(counter.calls, 0);
    ASSERT_TRUE(eventually([&] { return counter.calls >= 6; }));
    const auto elapsed = Clock::now() - started;
    // Six periods of 50 ms; missed expirations fold into one, so never faster.
    EXPECT_GE(elapsed, milliseconds(300));
    EXPECT_LT(elapsed, milliseconds(1500));
    EXPECT_EQ(timer.stop(), 0);
}

TEST(Timer, ZeroDisarmsAndStopThenStartResumes) {
    Counter counter;
    Timer timer;
    counter.attach(timer);
    ASSERT_EQ(timer.start(5), 0);
    ASSERT_TRUE(eventually([&] { return counter.calls >= 2; }));
    ASSERT_EQ(timer.start(0), 0);
    int settled = counter.calls;
    std::this_thread::sleep_for(milliseconds(60));
    EXPECT_LE(counter.calls, settled + 1);  // one may have been on its way

    ASSERT_EQ(timer.start(5), 0);
    ASSERT_TRUE(eventually([&] { return counter.calls >= settled + 3; }));
    ASSERT_EQ(timer.stop(), 0);
    settled = counter.calls;
    std::this_thread::sleep_for(milliseconds(60));
    EXPECT_EQ(counter.calls, settled);

    ASSERT_EQ(timer.start(5), 0);
    EXPECT_TRUE(eventually([&] { return counter.calls >= settled + 2; }));
}

std::atomic<int> callsWithoutData{0};

TEST(Timer, ACallbackWithoutUserDataIsNotCalled) {
    Timer timer;
    timer.callbackFunction = [](void*) { ++callsWithoutData; };
    ASSERT_EQ(timer.start(5), 0);
    std::this_thread::sleep_for(milliseconds(60));
    timer.stop();
    EXPECT_EQ(callsWithoutData, 0);
}

TEST(Timer, CallbacksNeverOverlapAndStopWaitsForTheRunningOne) {
    Counter counter;
    counter.busyFor = milliseconds(30);  // six periods long
    Timer timer;
    counter.attach(timer);
    ASSERT_EQ(timer.start(5), 0);
    ASSERT_TRUE(eventually([&] { return counter.calls >= 3 && counter.inside == 1; }));
    ASSERT_EQ(timer.stop(), 0);
    EXPECT_EQ(counter.inside, 0);
    const int settled = counter.calls;
    std::this_thread::sleep_for(milliseconds(60));
    EXPECT_EQ(counter.calls, settled);
    EXPECT_EQ(counter.mostInside, 1);
}

TEST(Timer, StopFromWithinTheCallbackEndsPolling) {
    Counter counter;
    Timer timer;
    counter.attach(timer);
    std::atomic<int> stopResult{1};
    counter.onCall = [&](int call) {
        if (call == 3) stopResult = timer.stop();
    };
    ASSERT_EQ(timer.start(5), 0);
    ASSERT_TRUE(eventually([&] { return stopResult == 0; }));
    std::this_thread::sleep_for(milliseconds(60));
    EXPECT_EQ(counter.calls, 3);
    EXPECT_EQ(timer.stop(), 0);
}

TEST(Timer, DestructionWhileACallbackRunsWaitsForIt) {
    Counter counter;
    counter.busyFor = milliseconds(40);
    {
        Timer timer;
        counter.attach(timer);
        ASSERT_EQ(timer.start(5), 0);
        ASSERT_TRUE(eventually([&] { return counter.inside == 1; }));
    }
    EXPECT_EQ(counter.inside, 0);
}

TEST(Timer, ACreationFailureIsReportedAndLeavesTheTimerUnusable) {
    testing::internal::CaptureStdout();
    rlimit limits{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limits), 0);
    const int lowestFree = dup(0);
    ASSERT_GE(lowestFree, 0);
    close(lowestFree);
    rlimit noMore = limits;
    noMore.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &noMore), 0);
    int started = 0, stopped = 0;
    {
        Timer timer;
        started = timer.start(10);
        stopped = timer.stop();
    }
    setrlimit(RLIMIT_NOFILE, &limits);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "timer creation failed err = " + std::to_string(EMFILE) + "\n");
    EXPECT_EQ(started, -1);
    EXPECT_EQ(stopped, -1);
}

}  // namespace
