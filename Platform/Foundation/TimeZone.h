#pragma once

#include <unicode/uversion.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Foundation/Date.h"

U_NAMESPACE_BEGIN
class TimeZone;
U_NAMESPACE_END

// A time zone by identifier ("UTC", "Europe/Berlin", "America/New_York") or a fixed offset from
// GMT. The device's current time zone is a process-wide setting: taken from the environment (TZ,
// else the system's zone) on first use, settable by a host or a test from any thread.
class TimeZone {
public:
    // Nothing for an identifier the time zone database does not know.
    static std::optional<TimeZone> named(std::string_view identifier);
    // A zone without daylight saving time, named like "GMT+0130".
    static TimeZone forSecondsFromGMT(int seconds);
    static TimeZone utc();

    static TimeZone current();
    static void setCurrent(const TimeZone& zone);
    static TimeZone fromEnvironment();

    const std::string& identifier() const { return identifier_; }
    // The offset in effect at the date, daylight saving time included.
    int secondsFromGMT(Date date) const;
    bool isDaylightSavingTime(Date date) const;

    // Immutable and safe to read from any thread.
    const icu::TimeZone& icuTimeZone() const { return *zone_; }

    bool operator==(const TimeZone& other) const { return identifier_ == other.identifier_; }

private:
    TimeZone(std::string identifier, std::shared_ptr<const icu::TimeZone> zone)
        : identifier_(std::move(identifier)), zone_(std::move(zone)) {}

    std::string identifier_;
    std::shared_ptr<const icu::TimeZone> zone_;
};
