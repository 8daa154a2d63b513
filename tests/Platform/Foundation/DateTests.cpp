#include <gtest/gtest.h>

#include <thread>

#include "Foundation/Date.h"

namespace {

// Pictures that must come out the same pin the wall clock: it starts where it is pinned, moves on
// from there, and goes back to the system's clock when let go.
TEST(DateWallClock, APinnedClockStartsAtItsMomentAndMovesOn) {
    const Date moment(1e9);  // 2001, long before any machine running this
    Date::pinWallClock(moment);
    const Date first = Date::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const Date second = Date::now();
    Date::pinWallClock(std::nullopt);
    EXPECT_GE(first, moment);
    EXPECT_LT(first.timeIntervalSince(moment), 1.0);
    EXPECT_GT(second, first);

    const Date system = Date::now();
    EXPECT_GT(system.timeIntervalSince(moment), 1e8) << "the system clock is back";
}

}  // namespace
