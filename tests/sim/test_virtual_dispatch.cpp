// The virtual-time dispatch that every link and page test runs on.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "sim/VirtualDispatch.h"

namespace aq {
namespace {

TEST(VirtualDispatch, RunsTimersInDueOrderThenPostingOrder) {
    VirtualDispatch d;
    std::vector<int> order;
    d.singleShot(2.0, [&] { order.push_back(3); });
    d.singleShot(1.0, [&] { order.push_back(1); });
    d.singleShot(1.0, [&] { order.push_back(2); });
    d.postToMain([&] { order.push_back(0); });
    d.runUntil(1.5);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_DOUBLE_EQ(d.now(), 1.5);
    d.runUntil(10.0);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

TEST(VirtualDispatch, ACancelledTimerNeverRuns) {
    VirtualDispatch d;
    bool ran = false;
    const auto id = d.singleShot(1.0, [&] { ran = true; });
    d.cancel(id);
    d.cancel(id);
    EXPECT_TRUE(d.runUntilIdle());
    EXPECT_FALSE(ran);
}

TEST(VirtualDispatch, NestedLoopsAdvanceTimeAndHandleEvents) {
    VirtualDispatch d;
    std::vector<double> seen;
    d.singleShot(0.5, [&] { seen.push_back(d.now()); });
    d.postToMain([&] {
        d.runLoopFor(1.0);  // a nested wait, like a connect
        seen.push_back(d.now());
    });
    d.runUntilIdle();
    EXPECT_EQ(seen, (std::vector<double>{0.5, 1.0}));
}

TEST(VirtualDispatch, TimeStandsStillWhileAWorkerRuns) {
    // The worker posts only after real work; the main loop must not jump
    // past the worker's timer in the meantime.
    VirtualDispatch d;
    std::atomic<double> postedAt{-1};
    d.singleShot(10.0, [] {});
    d.runOnWorker([&] {
        volatile long sink = 0;
        for (long i = 0; i < 2000000; ++i) sink = sink + i;
        d.postToMain([&] { postedAt = d.now(); });
    });
    d.runUntilIdle();
    EXPECT_DOUBLE_EQ(postedAt.load(), 0.0);
    EXPECT_DOUBLE_EQ(d.now(), 10.0);
}

TEST(VirtualDispatch, AWorkerSleepsInVirtualTime) {
    VirtualDispatch d;
    std::vector<double> wakes;
    d.runOnWorker([&] {
        for (int i = 0; i < 3; ++i) {
            d.sleepFor(0.25);
            wakes.push_back(d.now());
        }
    });
    EXPECT_TRUE(d.runUntilIdle());
    EXPECT_EQ(wakes, (std::vector<double>{0.25, 0.5, 0.75}));
    EXPECT_EQ(d.activeWorkers(), 0);
}

TEST(VirtualDispatch, AWorkerWaitingOnTheMainThreadIsServed) {
    VirtualDispatch d;
    int answer = 0;
    d.runOnWorker([&] {
        auto done = d.makeWorkerEvent();
        int fromMain = 0;
        d.singleShot(3.0, [&] {
            fromMain = 42;
            done->notify();
        });
        done->wait();
        answer = fromMain;
    });
    EXPECT_TRUE(d.runUntilIdle());
    EXPECT_EQ(answer, 42);
    EXPECT_DOUBLE_EQ(d.now(), 3.0);
}

TEST(VirtualDispatch, RunUntilTrueStopsAsSoonAsThePredicateHolds) {
    VirtualDispatch d;
    int ticks = 0;
    for (int i = 1; i <= 10; ++i) d.singleShot(i, [&] { ++ticks; });
    EXPECT_TRUE(d.runUntilTrue([&] { return ticks == 4; }));
    EXPECT_DOUBLE_EQ(d.now(), 4.0);
    EXPECT_FALSE(d.runUntilTrue([&] { return ticks == 99; }, 2.0));
    EXPECT_EQ(ticks, 6);
}

}  // namespace
}  // namespace aq
