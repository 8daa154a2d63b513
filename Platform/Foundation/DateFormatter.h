#pragma once

#include <unicode/uversion.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Foundation/Calendar.h"
#include "Foundation/Date.h"
#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"

U_NAMESPACE_BEGIN
class DateFormat;
U_NAMESPACE_END

// Formats and parses dates with a TR35 pattern (or, without one, with date and time styles) in a
// locale and a time zone; without a locale or zone of its own it follows the current ones.
// Safe to share between threads: calls are serialised on the formatter, and the ICU formatter
// is built only when the configuration it resolves to changes.
class DateFormatter {
public:
    enum class Style { noStyle, shortStyle, mediumStyle, longStyle, fullStyle };

    DateFormatter();
    explicit DateFormatter(std::string dateFormat);
    ~DateFormatter();
    DateFormatter(const DateFormatter&) = delete;
    DateFormatter& operator=(const DateFormatter&) = delete;

    std::string dateFormat() const;
    void setDateFormat(std::string pattern);
    // Used when the date format is empty; setting a style clears the date format.
    Style dateStyle() const;
    void setDateStyle(Style style);
    Style timeStyle() const;
    // The locale in use: the one set, else the current one.
    Locale locale() const;
    void setLocale(std::optional<Locale> locale);
    TimeZone timeZone() const;
    void setTimeZone(std::optional<TimeZone> zone);
    // The calendar set, if any; without one the locale's calendar is used.
    std::optional<Calendar> calendar() const;
    void setCalendar(std::optional<Calendar> calendar);

    std::string stringFromDate(Date date) const;
    // Nothing unless the whole text matches the format (parsing is not lenient).
    std::optional<Date> dateFromString(std::string_view text) const;

    // The date in the current locale and time zone with the given styles.
    static std::string localizedStringFromDate(Date date, Style dateStyle, Style timeStyle);

private:
    struct Configuration {
        std::string pattern;
        Style dateStyle = Style::noStyle;
        Style timeStyle = Style::noStyle;
        std::string localeIdentifier;
        std::string timeZoneIdentifier;
        std::string calendarName;
        bool operator==(const Configuration&) const = default;
    };

    // Answers the ICU formatter for the configuration in effect; nullptr when it cannot be made
    // or nothing is to be formatted. Called with mutex_ held.
    icu::DateFormat* formatterLocked() const;

    mutable std::mutex mutex_;
    std::string dateFormat_;
    Style dateStyle_ = Style::noStyle;
    Style timeStyle_ = Style::noStyle;
    std::optional<Locale> locale_;
    std::optional<TimeZone> timeZone_;
    std::optional<Calendar> calendar_;

    mutable std::unique_ptr<icu::DateFormat> formatter_;
    mutable std::optional<Configuration> builtFor_;
    mutable bool patternAdmitsWhiteSpace_ = true;
    mutable bool patternStartsWithWhiteSpace_ = false;
};
