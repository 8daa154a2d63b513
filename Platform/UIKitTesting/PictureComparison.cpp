#include "UIKitTesting/PictureComparison.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct Lab {
    double l, a, b;
};

const std::array<double, 256>& linearOf() {
    static const auto table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double v = i / 255.0;
            t[static_cast<std::size_t>(i)] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table;
}

// Over white, as a window with nothing behind shows it.
Lab labOf(std::uint32_t pixel) {
    const double alpha = (pixel >> 24) / 255.0;
    auto channel = [&](int shift) {
        const double value = ((pixel >> shift) & 0xFF) * alpha + 255.0 * (1 - alpha);
        return linearOf()[static_cast<std::size_t>(std::clamp(std::lround(value), 0L, 255L))];
    };
    const double r = channel(16), g = channel(8), b = channel(0);
    // sRGB to XYZ (D65), relative to the white point.
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    auto f = [](double t) { return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16) / 116; };
    const double fx = f(x), fy = f(y), fz = f(z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

}  // namespace

double PictureComparison::deltaE94(std::uint32_t a, std::uint32_t b) {
    if (a == b) return 0;
    const Lab p = labOf(a), q = labOf(b);
    const double dl = p.l - q.l;
    const double c1 = std::hypot(p.a, p.b), c2 = std::hypot(q.a, q.b);
    const double dc = c1 - c2;
    const double da = p.a - q.a, db = p.b - q.b;
    const double dh2 = std::max(0.0, da * da + db * db - dc * dc);
    const double sc = 1 + 0.045 * c1, sh = 1 + 0.015 * c1;
    return std::sqrt(dl * dl + (dc / sc) * (dc / sc) + dh2 / (sh * sh));
}

PictureDifference PictureComparison::compare(const Picture& expected, const Picture& actual) {
    PictureDifference result;
    result.pixels = static_cast<long>(actual.pixels.size());
    result.map = actual;
    if (expected.width != actual.width || expected.height != actual.height) {
        result.sameSize = false;
        result.differing = result.pixels;
        return result;
    }
    for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
        const std::uint32_t a = expected.pixels[i], b = actual.pixels[i];
        std::uint32_t& shown = result.map.pixels[i];
        const double delta = deltaE94(a, b);
        result.largestDeltaE = std::max(result.largestDeltaE, delta);
        if (delta > GoldenTolerance::pixelDeltaE94) {
            ++result.differing;
            shown = 0xFFFF0000u;
        } else if (delta > 0) {
            shown = 0xFFFFD000u;
        } else {
            // Faded, so the differences stand out and the screen is still recognisable.
            auto fade = [&](int shift) { return (255 - (255 - ((b >> shift) & 0xFF)) / 4) << shift; };
            shown = 0xFF000000u | fade(16) | fade(8) | fade(0);
        }
    }
    return result;
}

