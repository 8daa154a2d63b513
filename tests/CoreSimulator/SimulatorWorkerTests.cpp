#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "CoreSimulator/SimulatorWorker.h"

using namespace velmaro;

namespace {

// Blocks the worker until released, so that tests can queue work behind it deterministically.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    bool entered = false;
    void pass() {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [&] { return open; });
    }
    void waitEntered() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return entered; });
    }
    void release() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
};

TEST(SimulatorWorkerTest, RunsTasksByDueTimeThenSubmissionOrderOnItsOwnThread) {
    std::mutex mutex;
    std::condition_variable done;
    std::string order;
    bool offCaller = true;
    const auto caller = std::this_thread::get_id();
    Gate gate;
    {
        SimulatorWorker worker;
        worker.post(0, [&] { gate.pass(); });
        gate.waitEntered();
        auto add = [&](char c) {
            return [&, c] {
                std::lock_guard lock(mutex);
                order += c;
                offCaller = offCaller && std::this_thread::get_id() != caller;
                done.notify_all();
            };
        };
        worker.post(0.02, add('c'));
        worker.post(0, add('a'));
        worker.post(0, add('b'));
        gate.release();
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return order.size() == 3; });
    }
    EXPECT_EQ(order, "abc");
    EXPECT_TRUE(offCaller);
}

TEST(SimulatorWorkerTest, DestructionDropsWaitingTasksAndWaitsForTheRunningOne) {
    std::atomic<int> ran{0};
    Gate gate;
    std::thread releaser;
    {
        SimulatorWorker worker;
        worker.post(0, [&] {
            gate.pass();
            ++ran;
        });
        worker.post(10.0, [&] { ran += 100; });  // not due before the worker goes
        gate.waitEntered();
        releaser = std::thread([&] { gate.release(); });
    }  // joins: the running task finishes, the waiting one never runs
    releaser.join();
    EXPECT_EQ(ran, 1);
}

}  // namespace
