#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "Dispatch/Clock.h"
#include "Dispatch/RunLoop.h"

// Gives each test a fresh main run loop on the test's thread, driven by a manual clock, and
// drains the main queue in tear-down so no task outlives its test.
class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    RunLoop& loop() { return *loop_; }
    ManualClock& clock() { return *clock_; }
    // Runs what is due now.
    std::size_t drain() { return loop_->runUntilIdle(); }
    // Moves the clock forward, running delayed tasks as they fall due.
    std::size_t advance(double seconds) { return loop_->runFor(seconds); }
    // Waits (in real time) for work other threads hand to the main queue.
    bool waitFor(const std::function<bool()>& predicate, double timeoutSeconds = 5.0) {
        return loop_->runUntil(predicate, timeoutSeconds);
    }

private:
    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<RunLoop> loop_;
};
