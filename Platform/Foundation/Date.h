#pragma once

#include <compare>
#include <optional>

// A point in time: seconds since 1970-01-01 00:00:00 UTC.
class Date {
public:
    constexpr Date() = default;
    constexpr explicit Date(double timeIntervalSince1970) : seconds_(timeIntervalSince1970) {}

    // The wall-clock time now.
    static Date now();
    // Pins the wall clock where pictures must come out the same on every run (the demo's tour,
    // golden pictures): from now on now() starts at `start` and moves on with the steady clock.
    // Null gives the system's clock back. Any thread.
    static void pinWallClock(std::optional<Date> start);

    constexpr double timeIntervalSince1970() const { return seconds_; }
    constexpr double timeIntervalSince(const Date& other) const { return seconds_ - other.seconds_; }
    constexpr Date addingTimeInterval(double seconds) const { return Date(seconds_ + seconds); }

    constexpr auto operator<=>(const Date&) const = default;

private:
    double seconds_ = 0.0;
};
