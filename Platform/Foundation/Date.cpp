#include "Foundation/Date.h"

#include <atomic>
#include <chrono>
#include <mutex>

namespace {

struct PinnedClock {
    std::mutex mutex;
    bool pinned = false;
    double start = 0;
    std::chrono::steady_clock::time_point origin;
};

PinnedClock& pinnedClock() {
    static auto* clock = new PinnedClock();  // never destroyed: threads may ask for the time at exit
    return *clock;
}

std::atomic<bool> anyPin{false};

}  // namespace

Date Date::now() {
    using namespace std::chrono;
    if (anyPin.load(std::memory_order_acquire)) {
        auto& clock = pinnedClock();
        std::lock_guard lock(clock.mutex);
        if (clock.pinned) return Date(clock.start + duration<double>(steady_clock::now() - clock.origin).count());
    }
    return Date(duration<double>(system_clock::now().time_since_epoch()).count());
}

void Date::pinWallClock(std::optional<Date> start) {
    auto& clock = pinnedClock();
    std::lock_guard lock(clock.mutex);
    clock.pinned = start.has_value();
    clock.start = start ? start->timeIntervalSince1970() : 0;
    clock.origin = std::chrono::steady_clock::now();
    anyPin.store(clock.pinned, std::memory_order_release);
}
