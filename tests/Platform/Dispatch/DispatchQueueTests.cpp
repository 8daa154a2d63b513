#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Dispatch/DispatchQueue.h"
#include "support/Platform/MainLoopTest.h"

namespace {

using DispatchQueueTest = MainLoopTest;

TEST_F(DispatchQueueTest, MainQueueRunsImmediateTasksInOrderIncludingTasksQueuedByTasks) {
    std::string order;
    DispatchQueue::main().async([&] {
        order += "a";
        DispatchQueue::main().async([&] { order += "c"; });
    });
    DispatchQueue::main().async([&] { order += "b"; });
    EXPECT_EQ(order, "");  // nothing runs before the loop does
    EXPECT_EQ(drain(), 3u);
    EXPECT_EQ(order, "abc");
}

TEST_F(DispatchQueueTest, DelayedTasksRunByDueTimeThenSubmissionOrderOnlyWhenClockAdvances) {
    std::string order;
    DispatchQueue::main().asyncAfter(0.3, [&] { order += "3"; });
    DispatchQueue::main().asyncAfter(0.1, [&] { order += "1"; });
    DispatchQueue::main().asyncAfter(0.1, [&] { order += "2"; });
    DispatchQueue::main().async([&] { order += "0"; });
    drain();
    EXPECT_EQ(order, "0");
    advance(0.05);
    EXPECT_EQ(order, "0");
    advance(0.05);
    EXPECT_EQ(order, "012");
    advance(1.0);
    EXPECT_EQ(order, "0123");
    EXPECT_DOUBLE_EQ(clock().now(), 1001.1);
}

TEST_F(DispatchQueueTest, RunForAdvancesToEachDueTimeSoNestedDelaysSeeTheirOwnTime) {
    std::vector<double> seen;
    DispatchQueue::main().asyncAfter(0.1, [&] {
        seen.push_back(clock().now());
        DispatchQueue::main().asyncAfter(0.2, [&] { seen.push_back(clock().now()); });
    });
    advance(1.0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_DOUBLE_EQ(seen[0], 1000.1);
    EXPECT_NEAR(seen[1], 1000.3, 1e-9);
}

TEST_F(DispatchQueueTest, WorkFromBackgroundThreadsLandsOnTheMainThreadInSubmissionOrder) {
    EXPECT_TRUE(RunLoop::isMainThread());
    std::vector<int> received;  // touched on the main thread only
    std::atomic<bool> offMainSeen{false};
    constexpr int kCount = 200;
    std::thread producer([&] {
        offMainSeen = !RunLoop::isMainThread();
        for (int i = 0; i < kCount; ++i) {
            DispatchQueue::main().async([&received, i] {
                EXPECT_TRUE(RunLoop::isMainThread());
                received.push_back(i);
            });
        }
    });
    EXPECT_TRUE(waitFor([&] { return received.size() == kCount; }));
    producer.join();
    EXPECT_TRUE(offMainSeen);
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(received[i], i);
}

TEST_F(DispatchQueueTest, TheSubmitHookHearsOfEveryTaskFromAnyThreadAfterItIsQueued) {
    auto& loop = RunLoop::main();
    std::atomic<int> heard{0};
    std::atomic<bool> queuedBeforeHook{true};
    loop.setSubmitHook([&] {
        // A hook that wakes a waiting loop must find the task already there.
        if (loop.pendingCount() == 0) queuedBeforeHook = false;
        ++heard;
    });
    DispatchQueue::main().async([] {});
    DispatchQueue::main().asyncAfter(10, [] {});
    std::thread([] { DispatchQueue::main().async([] {}); }).join();
    EXPECT_EQ(heard, 3);
    EXPECT_TRUE(queuedBeforeHook);

    loop.setSubmitHook(nullptr);
    DispatchQueue::main().async([] {});
    EXPECT_EQ(heard, 3);
}

TEST_F(DispatchQueueTest, GlobalQueueRunsOffTheMainThreadAndHopsBack) {
    std::atomic<int> ranOffMain{0};
    int completions = 0;
    for (int i = 0; i < 20; ++i) {
        DispatchQueue::global().async([&] {
            if (!RunLoop::isMainThread()) ++ranOffMain;
            DispatchQueue::main().async([&] { ++completions; });
        });
    }
    EXPECT_TRUE(waitFor([&] { return completions == 20; }));
    EXPECT_EQ(ranOffMain.load(), 20);
}

TEST_F(DispatchQueueTest, GlobalQueueHonoursItsDelayInRealTime) {
    std::atomic<bool> early{false}, late{false};
    DispatchQueue::global().asyncAfter(0.05, [&] { late = true; });
    DispatchQueue::global().async([&] { early = true; });
    EXPECT_TRUE(waitFor([&] { return early.load(); }));
    EXPECT_TRUE(waitFor([&] { return late.load(); }));
}

TEST_F(DispatchQueueTest, RunUntilTimesOutWhenNothingArrives) {
    EXPECT_FALSE(waitFor([] { return false; }, 0.02));
}

TEST_F(DispatchQueueTest, ANewMainLoopDropsThePreviousLoopsPendingTasks) {
    bool ran = false;
    DispatchQueue::main().asyncAfter(0.1, [&] { ran = true; });
    RunLoop& fresh = RunLoop::makeMain(std::make_shared<ManualClock>());
    fresh.runFor(1.0);
    EXPECT_FALSE(ran);
    EXPECT_EQ(fresh.pendingCount(), 0u);
}

TEST(RunLoopDeathTest, RunningTheMainLoopOffItsThreadStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    RunLoop& loop = RunLoop::makeMain(std::make_shared<ManualClock>());
    EXPECT_DEATH(std::thread([&] { loop.runUntilIdle(); }).join(), "off the main thread");
}

}  // namespace
