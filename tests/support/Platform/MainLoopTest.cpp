#include "support/Platform/MainLoopTest.h"

#include "UIKitTesting/UIKitTestingState.h"

void MainLoopTest::SetUp() {
    clock_ = std::make_shared<ManualClock>(1000.0);
    RunLoop::makeMain(clock_);
    loop_ = RunLoop::mainShared();
    // Process-wide state a previous test may have left behind.
    UIKitTestingState::reset();
}

void MainLoopTest::TearDown() {
    loop_->runUntilIdle();
    UIKitTestingState::reset();
}
