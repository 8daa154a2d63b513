#pragma once

#include <string>

// A calendar system. Formatters without one use their locale's (a device may be set to a
// Buddhist or Japanese calendar); fixed formats name theirs.
class Calendar {
public:
    enum class Identifier { gregorian, buddhist, japanese, persian, islamic, hebrew, chinese };

    explicit Calendar(Identifier identifier) : identifier_(identifier) {}

    Identifier identifier() const { return identifier_; }
    // The name ICU and locale identifiers use ("gregorian", "buddhist", ...).
    std::string name() const;

    bool operator==(const Calendar&) const = default;

private:
    Identifier identifier_;
};
