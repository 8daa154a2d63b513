#pragma once

#include <cstddef>

// A range of a text in UTF-16 code units, as ranges of the platform's strings are counted.
struct NSRange {
    std::size_t location = 0;
    std::size_t length = 0;

    std::size_t end() const { return location + length; }
    bool operator==(const NSRange&) const = default;
};
