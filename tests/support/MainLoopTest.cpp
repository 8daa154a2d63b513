#include "support/MainLoopTest.h"

void MainLoopTest::SetUp() {
    clock_ = std::make_shared<ManualClock>(1000.0);
    RunLoop::makeMain(clock_);
    loop_ = RunLoop::mainShared();
}

void MainLoopTest::TearDown() {
    loop_->runUntilIdle();
}
