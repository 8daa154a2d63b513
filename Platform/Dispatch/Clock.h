#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

// Whole nanoseconds, so that intervals added in steps land exactly where one interval lands.
std::int64_t toNanoseconds(double seconds);

// Time as the main run loop sees it, from an arbitrary origin.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nanoseconds() const = 0;
    double now() const { return static_cast<double>(nanoseconds()) / 1e9; }
    // True when time only moves through advance(): the run loop then jumps to due tasks
    // instead of sleeping.
    virtual bool isManual() const { return false; }
};

// The system's steady clock; what a host runs on.
class SystemClock final : public Clock {
public:
    std::int64_t nanoseconds() const override;
};

// A clock that moves only when told to; what tests run on. Thread-safe.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 0.0) : now_(toNanoseconds(start)) {}
    std::int64_t nanoseconds() const override { return now_.load(std::memory_order_acquire); }
    bool isManual() const override { return true; }
    void advance(double seconds);
    void setNanoseconds(std::int64_t value) { now_.store(value, std::memory_order_release); }

private:
    std::atomic<std::int64_t> now_;
};
