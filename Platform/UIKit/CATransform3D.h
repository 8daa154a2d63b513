#pragma once

#include "UIKit/CGPoint.h"

// A 4x4 transform (row-vector convention, m41..m43 the translation), as layers use it.
struct CATransform3D {
    CGFloat m11 = 1, m12 = 0, m13 = 0, m14 = 0;
    CGFloat m21 = 0, m22 = 1, m23 = 0, m24 = 0;
    CGFloat m31 = 0, m32 = 0, m33 = 1, m34 = 0;
    CGFloat m41 = 0, m42 = 0, m43 = 0, m44 = 1;

    static constexpr CATransform3D identity() { return {}; }
    static constexpr CATransform3D makeTranslation(CGFloat tx, CGFloat ty, CGFloat tz) {
        CATransform3D t;
        t.m41 = tx;
        t.m42 = ty;
        t.m43 = tz;
        return t;
    }
    static constexpr CATransform3D makeScale(CGFloat sx, CGFloat sy, CGFloat sz) {
        CATransform3D t;
        t.m11 = sx;
        t.m22 = sy;
        t.m33 = sz;
        return t;
    }

    bool isIdentity() const { return *this == identity(); }
    // This transform followed by `other`.
    CATransform3D concatenating(const CATransform3D& other) const;
    // The transform's effect on a point of the z = 0 plane.
    CGPoint apply(CGPoint p) const;

    constexpr bool operator==(const CATransform3D&) const = default;
};
