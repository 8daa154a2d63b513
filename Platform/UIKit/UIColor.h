#pragma once

#include <string>

// An immutable RGBA colour, components in 0...1. A value type: copies compare equal.
class UIColor {
public:
    constexpr UIColor() = default;  // clear
    constexpr UIColor(double red, double green, double blue, double alpha)
        : red_(red), green_(green), blue_(blue), alpha_(alpha) {}

    static constexpr UIColor white() { return UIColor(1, 1, 1, 1); }
    static constexpr UIColor black() { return UIColor(0, 0, 0, 1); }
    static constexpr UIColor clear() { return UIColor(0, 0, 0, 0); }
    static constexpr UIColor withWhite(double white, double alpha) { return UIColor(white, white, white, alpha); }

    constexpr double red() const { return red_; }
    constexpr double green() const { return green_; }
    constexpr double blue() const { return blue_; }
    constexpr double alpha() const { return alpha_; }

    // Brightness as a grey-scale conversion sees it (Rec. 601 luma), 0...1.
    constexpr double grayscale() const { return 0.299 * red_ + 0.587 * green_ + 0.114 * blue_; }

    // "#RRGGBB" or "#RRGGBBAA" when not opaque; for the glass and messages.
    std::string description() const;

    constexpr bool operator==(const UIColor&) const = default;

private:
    double red_ = 0, green_ = 0, blue_ = 0, alpha_ = 0;
};
