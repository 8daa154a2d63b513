#pragma once

#include "UIKit/CGRect.h"

// [a b 0; c d 0; tx ty 1] acting on row vectors, as on the platform.
struct CGAffineTransform {
    CGFloat a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static constexpr CGAffineTransform identity() { return {}; }
    static constexpr CGAffineTransform makeScale(CGFloat sx, CGFloat sy) {
        return {sx, 0, 0, sy, 0, 0};
    }
    static constexpr CGAffineTransform makeTranslation(CGFloat x, CGFloat y) {
        return {1, 0, 0, 1, x, y};
    }

    bool isIdentity() const { return *this == identity(); }
    // This transform followed by `other`.
    CGAffineTransform concatenating(const CGAffineTransform& other) const;
    CGAffineTransform scaledBy(CGFloat sx, CGFloat sy) const;
    CGPoint apply(CGPoint p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // The bounding box of the transformed corners.
    CGRect apply(const CGRect& r) const;
    bool isInvertible() const { return a * d - b * c != 0; }
    CGAffineTransform inverted() const;  // the identity when not invertible, as on the platform

    constexpr bool operator==(const CGAffineTransform&) const = default;
};
