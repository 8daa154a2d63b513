#include "Foundation/TimeZone.h"

#include <unicode/simpletz.h>
#include <unicode/timezone.h>
#include <unicode/ucal.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::string utf8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

bool isUnknown(const icu::TimeZone& zone) {
    icu::UnicodeString id;
    zone.getID(id);
    return id == icu::UnicodeString(UCAL_UNKNOWN_ZONE_ID);
}

std::mutex& zoneMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<TimeZone>& zoneStorage() {
    static std::optional<TimeZone> current;
    return current;
}

}  // namespace

std::optional<TimeZone> TimeZone::named(std::string_view identifier) {
    if (identifier.empty()) {
        return std::nullopt;
    }
    std::shared_ptr<const icu::TimeZone> zone(icu::TimeZone::createTimeZone(
        icu::UnicodeString::fromUTF8(icu::StringPiece(identifier.data(),
                                                      static_cast<int32_t>(identifier.size())))));
    if (!zone || isUnknown(*zone)) {
        return std::nullopt;
    }
    return TimeZone(std::string(identifier), std::move(zone));
}

TimeZone TimeZone::forSecondsFromGMT(int seconds) {
    const int minutes = (seconds < 0 ? -seconds : seconds) / 60;
    char name[16];
    std::snprintf(name, sizeof name, "GMT%c%02d%02d", seconds < 0 ? '-' : '+', minutes / 60 % 100,
                  minutes % 60);
    std::shared_ptr<const icu::TimeZone> zone(
        new icu::SimpleTimeZone(seconds * 1000, icu::UnicodeString(name, -1, US_INV)));
    return TimeZone(name, std::move(zone));
}

TimeZone TimeZone::utc() { return *named("UTC"); }

TimeZone TimeZone::current() {
    std::lock_guard lock(zoneMutex());
    auto& current = zoneStorage();
    if (!current) {
        current = fromEnvironment();
    }
    return *current;
}

void TimeZone::setCurrent(const TimeZone& zone) {
    std::lock_guard lock(zoneMutex());
    zoneStorage() = zone;
}

TimeZone TimeZone::fromEnvironment() {
    if (const char* tz = std::getenv("TZ"); tz != nullptr) {
        std::string_view name(tz);
        if (name.starts_with(':')) {
            name.remove_prefix(1);
        }
        if (name.empty()) {
            return utc();  // an empty TZ means UTC to the C library as well
        }
        if (auto zone = named(name)) {
            return *zone;
        }
    }
    // Unset or a POSIX rule string: ask ICU, which also reads the system's /etc/localtime.
    std::shared_ptr<const icu::TimeZone> host(icu::TimeZone::detectHostTimeZone());
    if (!host || isUnknown(*host)) {
        return utc();
    }
    icu::UnicodeString id;
    host->getID(id);
    if (auto zone = named(utf8(id))) {
        return *zone;
    }
    return TimeZone(utf8(id), std::move(host));
}

int TimeZone::secondsFromGMT(Date date) const {
    int32_t raw = 0;
    int32_t dst = 0;
    UErrorCode status = U_ZERO_ERROR;
    zone_->getOffset(date.timeIntervalSince1970() * 1000.0, false, raw, dst, status);
    return U_SUCCESS(status) ? (raw + dst) / 1000 : 0;
}

bool TimeZone::isDaylightSavingTime(Date date) const {
    int32_t raw = 0;
    int32_t dst = 0;
    UErrorCode status = U_ZERO_ERROR;
    zone_->getOffset(date.timeIntervalSince1970() * 1000.0, false, raw, dst, status);
    return U_SUCCESS(status) && dst != 0;
}
