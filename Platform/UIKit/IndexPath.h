#pragma once

#include <compare>
#include <string>

// A row's address in a table: section, then row. Ordered section first.
struct IndexPath {
    int section = 0;
    int row = 0;

    static constexpr IndexPath forRow(int row, int section) { return IndexPath{section, row}; }

    constexpr auto operator<=>(const IndexPath&) const = default;
    std::string description() const { return std::to_string(section) + "." + std::to_string(row); }
};
