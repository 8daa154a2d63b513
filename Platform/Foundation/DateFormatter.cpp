#include "Foundation/DateFormatter.h"

#include <unicode/datefmt.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

icu::DateFormat::EStyle icuStyle(DateFormatter::Style style) {
    switch (style) {
        case DateFormatter::Style::noStyle: return icu::DateFormat::kNone;
        case DateFormatter::Style::shortStyle: return icu::DateFormat::kShort;
        case DateFormatter::Style::mediumStyle: return icu::DateFormat::kMedium;
        case DateFormatter::Style::longStyle: return icu::DateFormat::kLong;
        case DateFormatter::Style::fullStyle: return icu::DateFormat::kFull;
    }
    return icu::DateFormat::kNone;
}

icu::UnicodeString fromUTF8(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

// Whether text matching the pattern may hold white space: the pattern has some (quoted or not), or
// a field spelt with names (eras, weekdays, month names, day periods, zone names).
bool patternAdmitsWhiteSpace(const icu::UnicodeString& pattern) {
    bool quoted = false;
    for (int32_t i = 0; i < pattern.length();) {
        const UChar32 c = pattern.char32At(i);
        int32_t count = 1;
        while (i + count < pattern.length() && pattern.charAt(i + count) == c) {
            ++count;
        }
        if (u_isUWhiteSpace(c)) {
            return true;
        }
        if (c == u'\'') {
            quoted = (count % 2 == 1) ? !quoted : quoted;
        } else if (!quoted) {
            const bool names = c == u'G' || c == u'E' || c == u'a' || c == u'b' || c == u'B' ||
                               c == u'z' || c == u'v' || c == u'V' || c == u'O' || c == u'U';
            const bool namesWhenLong = c == u'M' || c == u'L' || c == u'Q' || c == u'q' ||
                                       c == u'c' || c == u'e';
            if (names || (namesWhenLong && count >= 3)) {
                return true;
            }
        }
        i += count;
    }
    return false;
}

bool containsWhiteSpace(const icu::UnicodeString& text) {
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        if (u_isUWhiteSpace(text.char32At(i))) {
            return true;
        }
    }
    return false;
}

// ICU scales a fractional-seconds field by dividing by 10^(digits - 3) computed in 32 bits, which
// wraps to zero from 35 digits on and stops the program. No date text has a run of digits that
// long, so such text is refused before ICU sees it.
constexpr int32_t maximumDigitRun = 32;

bool hasOverlongDigitRun(const icu::UnicodeString& text) {
    int32_t run = 0;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        run = u_isdigit(text.char32At(i)) ? run + 1 : 0;
        if (run > maximumDigitRun) return true;
    }
    return false;
}

}  // namespace

DateFormatter::DateFormatter() = default;
DateFormatter::DateFormatter(std::string dateFormat) : dateFormat_(std::move(dateFormat)) {}
DateFormatter::~DateFormatter() = default;

std::string DateFormatter::dateFormat() const {
    std::lock_guard lock(mutex_);
    return dateFormat_;
}

void DateFormatter::setDateFormat(std::string pattern) {
    std::lock_guard lock(mutex_);
    dateFormat_ = std::move(pattern);
}

DateFormatter::Style DateFormatter::dateStyle() const {
    std::lock_guard lock(mutex_);
    return dateStyle_;
}

void DateFormatter::setDateStyle(Style style) {
    std::lock_guard lock(mutex_);
    dateStyle_ = style;
    dateFormat_.clear();
}

DateFormatter::Style DateFormatter::timeStyle() const {
    std::lock_guard lock(mutex_);
    return timeStyle_;
}

Locale DateFormatter::locale() const {
    std::lock_guard lock(mutex_);
    return locale_ ? *locale_ : Locale::current();
}

void DateFormatter::setLocale(std::optional<Locale> locale) {
    std::lock_guard lock(mutex_);
    locale_ = std::move(locale);
}

TimeZone DateFormatter::timeZone() const {
    std::lock_guard lock(mutex_);
    return timeZone_ ? *timeZone_ : TimeZone::current();
}

void DateFormatter::setTimeZone(std::optional<TimeZone> zone) {
    std::lock_guard lock(mutex_);
    timeZone_ = std::move(zone);
}

std::optional<Calendar> DateFormatter::calendar() const {
    std::lock_guard lock(mutex_);
    return calendar_;
}

void DateFormatter::setCalendar(std::optional<Calendar> calendar) {
    std::lock_guard lock(mutex_);
    calendar_ = calendar;
}

icu::DateFormat* DateFormatter::formatterLocked() const {
    const Locale locale = locale_ ? *locale_ : Locale::current();
    const TimeZone zone = timeZone_ ? *timeZone_ : TimeZone::current();
    Configuration wanted{dateFormat_, dateStyle_, timeStyle_, locale.identifier(), zone.identifier(),
                         calendar_ ? calendar_->name() : std::string()};
    if (builtFor_ == wanted) {
        return formatter_.get();
    }
    formatter_.reset();
    builtFor_ = wanted;
    const icu::UnicodeString pattern = fromUTF8(dateFormat_);
    patternAdmitsWhiteSpace_ = pattern.isEmpty() || patternAdmitsWhiteSpace(pattern);
    patternStartsWithWhiteSpace_ = !pattern.isEmpty() && u_isUWhiteSpace(pattern.char32At(0));
    icu::Locale icuLocale(locale.identifier().c_str());
    if (calendar_) {
        UErrorCode status = U_ZERO_ERROR;
        icuLocale.setKeywordValue("calendar", calendar_->name().c_str(), status);
    }
    if (!dateFormat_.empty()) {
        UErrorCode status = U_ZERO_ERROR;
        auto made = std::make_unique<icu::SimpleDateFormat>(fromUTF8(dateFormat_), icuLocale, status);
        if (U_FAILURE(status)) {
            return nullptr;
        }
        formatter_ = std::move(made);
    } else if (dateStyle_ != Style::noStyle || timeStyle_ != Style::noStyle) {
        formatter_.reset(icu::DateFormat::createDateTimeInstance(icuStyle(dateStyle_),
                                                                 icuStyle(timeStyle_), icuLocale));
        if (!formatter_) {
            return nullptr;
        }
    } else {
        return nullptr;
    }
    formatter_->setTimeZone(zone.icuTimeZone());
    // Strict parsing: no skipped white space, no numbers for names, no partly matched literals,
    // no falling back to other patterns.
    formatter_->setLenient(false);
    UErrorCode status = U_ZERO_ERROR;
    formatter_->setBooleanAttribute(UDAT_PARSE_ALLOW_WHITESPACE, false, status);
    formatter_->setBooleanAttribute(UDAT_PARSE_ALLOW_NUMERIC, false, status);
    formatter_->setBooleanAttribute(UDAT_PARSE_PARTIAL_LITERAL_MATCH, false, status);
    formatter_->setBooleanAttribute(UDAT_PARSE_MULTIPLE_PATTERNS_FOR_MATCH, false, status);
    return formatter_.get();
}

std::string DateFormatter::stringFromDate(Date date) const {
    std::lock_guard lock(mutex_);
    icu::DateFormat* formatter = formatterLocked();
    if (formatter == nullptr) {
        return {};
    }
    // A moment read from text sits at the nearest binary fraction, often just below its
    // millisecond, and ICU truncates to the millisecond: "09.123" would be written back as
    // "09.122". So a moment within rounding noise of a millisecond (a microsecond, or a couple
    // of units in the last place far from 1970) counts as that millisecond.
    double milliseconds = date.timeIntervalSince1970() * 1000.0;
    const double nearest = std::round(milliseconds);
    const double magnitude = std::fabs(milliseconds);
    const double noise = std::max(1e-3, 2 * (std::nextafter(magnitude, HUGE_VAL) - magnitude));
    if (std::fabs(milliseconds - nearest) <= noise) milliseconds = nearest;
    icu::UnicodeString text;
    formatter->format(milliseconds, text);
    std::string result;
    text.toUTF8String(result);
    return result;
}

std::optional<Date> DateFormatter::dateFromString(std::string_view text) const {
    const icu::UnicodeString unicodeText = fromUTF8(text);
    std::lock_guard lock(mutex_);
    icu::DateFormat* formatter = formatterLocked();
    if (formatter == nullptr || unicodeText.isEmpty()) {
        return std::nullopt;
    }
    // ICU skips blanks in front of a field even when strict, which would accept text the pattern
    // does not describe: blanks at the start, or anywhere when the pattern cannot produce any.
    if (u_isUWhiteSpace(unicodeText.char32At(0)) && !patternStartsWithWhiteSpace_) {
        return std::nullopt;
    }
    if (!patternAdmitsWhiteSpace_ && containsWhiteSpace(unicodeText)) {
        return std::nullopt;
    }
    if (hasOverlongDigitRun(unicodeText)) {
        return std::nullopt;
    }
    icu::ParsePosition position(0);
    const UDate milliseconds = formatter->parse(unicodeText, position);
    if (position.getErrorIndex() != -1 || position.getIndex() != unicodeText.length()) {
        return std::nullopt;
    }
    return Date(milliseconds / 1000.0);
}

std::string DateFormatter::localizedStringFromDate(Date date, Style dateStyle, Style timeStyle) {
    // One shared formatter per pair of styles; each follows the current locale and time zone.
    static std::array<DateFormatter, 25> formatters;
    static std::once_flag configured;
    std::call_once(configured, [] {
        for (int d = 0; d < 5; ++d) {
            for (int t = 0; t < 5; ++t) {
                formatters[static_cast<std::size_t>(d * 5 + t)].dateStyle_ = static_cast<Style>(d);
                formatters[static_cast<std::size_t>(d * 5 + t)].timeStyle_ = static_cast<Style>(t);
            }
        }
    });
    return formatters[static_cast<std::size_t>(static_cast<int>(dateStyle) * 5 +
                                               static_cast<int>(timeStyle))]
        .stringFromDate(date);
}
