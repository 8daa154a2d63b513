#include "support/MainLoopTest.h"

void MainLoopTest::SetUp() {
    clock_ = std::make_shared<ManualClock>(1000.0);
    loop_ = &RunLoop::makeMain(clock_);
}

void MainLoopTest::TearDown() {
    loop_->runUntilIdle();
}
