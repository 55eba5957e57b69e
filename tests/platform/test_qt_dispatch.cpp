// The application's dispatch over the Qt event loop. These tests use real
// time, but only short timers, and they wait on the event loop (never sleep).
#include <gtest/gtest.h>

#include <QTimer>

#include <atomic>
#include <vector>

#include "platform/QtDispatch.h"
#include "support/EventWait.h"

namespace aq {
namespace {

using test::waitUntil;

TEST(QtDispatch, PostsRunOnTheMainThreadInOrderFromAnyThread) {
    QtDispatch dispatch;
    std::vector<int> order;
    std::atomic<bool> allOnMain{true};
    dispatch.postToMain([&] { order.push_back(1); });
    dispatch.runOnWorker([&] {
        EXPECT_FALSE(dispatch.isMainThread());
        for (int i = 2; i <= 200; ++i) {
            dispatch.postToMain([&, i] {
                if (!dispatch.isMainThread()) allOnMain = false;
                order.push_back(i);
            });
        }
    });
    ASSERT_TRUE(waitUntil([&] { return order.size() == 200; }, 5.0));
    EXPECT_TRUE(allOnMain.load());
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i + 1);
}

TEST(QtDispatch, ALongStreamOfPostsStillLetsOtherEventsThrough) {
    // A task that keeps posting itself must not starve the event loop.
    QtDispatch dispatch;
    int reposts = 0;
    bool otherEventSeen = false;
    std::function<void()> again = [&] {
        if (!otherEventSeen && ++reposts < 100000) dispatch.postToMain(again);
    };
    dispatch.postToMain(again);
    QTimer::singleShot(0, [&] { otherEventSeen = true; });
    ASSERT_TRUE(waitUntil([&] { return otherEventSeen; }, 5.0));
    EXPECT_LT(reposts, 100000);
}

// Timers run on the main thread, wherever they were set, in due order and
// never early; a cancelled one never runs, and a second cancel is harmless.
TEST(QtDispatch, TimersRunInDueOrderNeverEarlyAndNotOnceCancelled) {
    QtDispatch dispatch;
    std::vector<int> order;
    std::vector<double> lateness;
    const double start = dispatch.now();
    for (int ms : {30, 10, 20, 0}) {
        dispatch.singleShot(ms / 1000.0, [&, ms] {
            order.push_back(ms);
            lateness.push_back(dispatch.now() - start - ms / 1000.0);
        });
    }
    bool cancelledRan = false;
    const auto id = dispatch.singleShot(0.005, [&] { cancelledRan = true; });
    dispatch.cancel(id);
    dispatch.cancel(id);
    std::atomic<bool> fromWorkerRan{false};
    std::atomic<bool> fromWorkerOnMain{false};
    dispatch.runOnWorker([&] {
        dispatch.singleShot(0.002, [&] {
            fromWorkerOnMain = dispatch.isMainThread();
            fromWorkerRan = true;
        });
    });
    ASSERT_TRUE(waitUntil([&] { return order.size() == 4 && fromWorkerRan.load(); }, 5.0));
    EXPECT_EQ(order, (std::vector<int>{0, 10, 20, 30}));
    for (double l : lateness) EXPECT_GE(l, 0.0);
    EXPECT_FALSE(cancelledRan);
    EXPECT_TRUE(fromWorkerOnMain.load());
}

TEST(QtDispatch, AWorkerEventWakesAWaiterWhetherNotifiedBeforeOrAfter) {
    QtDispatch dispatch;
    auto early = dispatch.makeWorkerEvent();
    early->notify();
    auto late = dispatch.makeWorkerEvent();
    std::atomic<int> woke{0};
    dispatch.runOnWorker([&] {
        early->wait();
        ++woke;
        late->wait();
        ++woke;
    });
    ASSERT_TRUE(waitUntil([&] { return woke.load() == 1; }, 5.0));
    dispatch.postToMain([&] { late->notify(); });
    ASSERT_TRUE(waitUntil([&] { return woke.load() == 2; }, 5.0));
}

TEST(QtDispatch, ANestedLoopInsideAPostedTaskStillRunsLaterPostsAndTimers) {
    // A connect waits in a nested loop inside a posted task; the lamp's
    // answers reach it as further posts and timers, from both threads.
    QtDispatch dispatch;
    bool fromMain = false;
    std::atomic<bool> fromWorker{false};
    bool timer = false;
    bool outerDone = false;
    dispatch.postToMain([&] {
        dispatch.postToMain([&] { fromMain = true; });
        dispatch.singleShot(0.005, [&] { timer = true; });
        dispatch.runOnWorker([&] { dispatch.postToMain([&] { fromWorker = true; }); });
        // Nested waits, as the connect makes them, until everything arrived
        // (a loaded machine may take its time to start the worker).
        const double deadline = dispatch.now() + 5.0;
        while (!(fromMain && fromWorker.load() && timer) && dispatch.now() < deadline) {
            dispatch.runLoopFor(0.01);
        }
        EXPECT_TRUE(fromMain);
        EXPECT_TRUE(fromWorker.load());
        EXPECT_TRUE(timer);
        outerDone = true;
    });
    ASSERT_TRUE(waitUntil([&] { return outerDone; }, 5.0));
    // Each nested wait handles events for about as long as it was asked to.
    bool handled = false;
    dispatch.postToMain([&] { handled = true; });
    const double before = dispatch.now();
    dispatch.runLoopFor(0.02);
    EXPECT_TRUE(handled);
    EXPECT_GE(dispatch.now() - before, 0.019);
}

}  // namespace
}  // namespace aq
