#pragma once

#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"

// Sets the process's current locale and time zone for a test and puts back what was there, so
// tests that format dates neither depend on the machine nor leak their settings.
class CurrentLocaleScope {
public:
    CurrentLocaleScope(const Locale& locale, const TimeZone& zone) {
        Locale::setCurrent(locale);
        TimeZone::setCurrent(zone);
    }
    ~CurrentLocaleScope() {
        Locale::setCurrent(savedLocale_);
        TimeZone::setCurrent(savedZone_);
    }
    CurrentLocaleScope(const CurrentLocaleScope&) = delete;
    CurrentLocaleScope& operator=(const CurrentLocaleScope&) = delete;

private:
    Locale savedLocale_ = Locale::current();
    TimeZone savedZone_ = TimeZone::current();
};
