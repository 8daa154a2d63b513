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
    static constexpr UIColor redColor() { return UIColor(1, 0, 0, 1); }
    static constexpr UIColor greenColor() { return UIColor(0, 1, 0, 1); }
    static constexpr UIColor blueColor() { return UIColor(0, 0, 1, 1); }
    static constexpr UIColor orangeColor() { return UIColor(1, 0.5, 0, 1); }
    static constexpr UIColor yellowColor() { return UIColor(1, 1, 0, 1); }
    static constexpr UIColor grayColor() { return UIColor(0.5, 0.5, 0.5, 1); }
    static constexpr UIColor lightGrayColor() { return UIColor(2.0 / 3, 2.0 / 3, 2.0 / 3, 1); }
    static constexpr UIColor darkGrayColor() { return UIColor(1.0 / 3, 1.0 / 3, 1.0 / 3, 1); }
    // This colour with another alpha.
    constexpr UIColor withAlphaComponent(double alpha) const { return UIColor(red_, green_, blue_, alpha); }

    constexpr double red() const { return red_; }
    constexpr double green() const { return green_; }
    constexpr double blue() const { return blue_; }
    constexpr double alpha() const { return alpha_; }

    // Brightness as a grey-scale conversion sees it (Rec. 601 luma), 0...1.
    constexpr double grayscale() const { return 0.299 * red_ + 0.587 * green_ + 0.114 * blue_; }
    // getWhite:alpha: and getRed:green:blue:alpha: of the platform; every colour here converts.
    bool getWhite(double* white, double* alpha) const {
        if (white) *white = grayscale();
        if (alpha) *alpha = alpha_;
        return true;
    }
    bool getRed(double* red, double* green, double* blue, double* alpha) const {
        if (red) *red = red_;
        if (green) *green = green_;
        if (blue) *blue = blue_;
        if (alpha) *alpha = alpha_;
        return true;
    }

    // "#RRGGBB" or "#RRGGBBAA" when not opaque; for the glass and messages.
    std::string description() const;

    constexpr bool operator==(const UIColor&) const = default;

private:
    double red_ = 0, green_ = 0, blue_ = 0, alpha_ = 0;
};
