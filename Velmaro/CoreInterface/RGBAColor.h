#pragma once

#include <concepts>

namespace velmaro {

// A colour the view toolkit can draw, whose red(), green(), blue() and alpha() report components.
template <class C>
concept ReportsRGBA = requires(const C& color) {
    { color.red() } -> std::convertible_to<double>;
    { color.green() } -> std::convertible_to<double>;
    { color.blue() } -> std::convertible_to<double>;
    { color.alpha() } -> std::convertible_to<double>;
};

// A colour as plain values, components in 0...1, so that a core library needs no view toolkit.
// A toolkit colour converts to it implicitly (a host assigns its UIColor as before); the layer
// turns it back into a UIColor where it paints (uiColor() in Helpers/UIExtensions.h).
struct RGBAColor {
    double red = 0, green = 0, blue = 0, alpha = 0;  // clear by default, as the toolkit's colour

    constexpr RGBAColor() = default;
    constexpr RGBAColor(double r, double g, double b, double a) : red(r), green(g), blue(b), alpha(a) {}
    template <ReportsRGBA C>
    constexpr RGBAColor(const C& color)  // NOLINT(google-explicit-constructor): hosts assign toolkit colours
        : red(color.red()), green(color.green()), blue(color.blue()), alpha(color.alpha()) {}

    constexpr bool operator==(const RGBAColor&) const = default;
};

}  // namespace velmaro
