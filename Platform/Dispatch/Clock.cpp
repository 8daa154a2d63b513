#include "Dispatch/Clock.h"

#include <cmath>
#include <stdexcept>

std::int64_t toNanoseconds(double seconds) { return std::llround(seconds * 1e9); }

std::int64_t SystemClock::nanoseconds() const {
    using namespace std::chrono;
    return duration_cast<std::chrono::nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

void ManualClock::advance(double seconds) {
    if (seconds < 0) throw std::invalid_argument("ManualClock::advance: negative interval");
    now_.fetch_add(toNanoseconds(seconds), std::memory_order_acq_rel);
}
