#include "support/Platform/MainLoopTest.h"

#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"

void MainLoopTest::SetUp() {
    clock_ = std::make_shared<ManualClock>(1000.0);
    RunLoop::makeMain(clock_);
    loop_ = RunLoop::mainShared();
    // Process-wide state a previous test may have left behind.
    UserDefaults::resetStandardForTesting();
    NotificationCenter::resetDefaultForTesting();
}

void MainLoopTest::TearDown() {
    loop_->runUntilIdle();
}
