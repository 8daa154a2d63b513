#pragma once

#include <string>
#include <string_view>

// A locale by identifier ("en_US", "de_DE"). The device's current locale is a process-wide
// setting: taken from the environment on first use, settable by a host or a test from any thread.
class Locale {
public:
    explicit Locale(std::string identifier) : identifier_(std::move(identifier)) {}

    const std::string& identifier() const { return identifier_; }

    static Locale current();
    static void setCurrent(const Locale& locale);
    // The locale named by LC_ALL or else LANG ("de_DE.UTF-8" gives "de_DE"); "C", "POSIX" and
    // an unset environment give "en_US_POSIX".
    static Locale fromEnvironment();
    // Makes the identifier of a POSIX locale name: drops the codeset and modifier.
    static std::string identifierFromPosixName(std::string_view name);

    bool operator==(const Locale& other) const { return identifier_ == other.identifier_; }

private:
    std::string identifier_;
};
