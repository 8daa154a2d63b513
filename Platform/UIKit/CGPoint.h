#pragma once

// Points are doubles, as on the platform's 64-bit devices.
using CGFloat = double;

struct CGPoint {
    CGFloat x = 0;
    CGFloat y = 0;

    static constexpr CGPoint zero() { return {}; }
    constexpr bool operator==(const CGPoint&) const = default;
};
