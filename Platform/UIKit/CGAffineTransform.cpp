#include "UIKit/CGAffineTransform.h"

#include <algorithm>

CGAffineTransform CGAffineTransform::concatenating(const CGAffineTransform& o) const {
    return {a * o.a + b * o.c,         a * o.b + b * o.d,         c * o.a + d * o.c,
            c * o.b + d * o.d,         tx * o.a + ty * o.c + o.tx, tx * o.b + ty * o.d + o.ty};
}

CGAffineTransform CGAffineTransform::scaledBy(CGFloat sx, CGFloat sy) const {
    return makeScale(sx, sy).concatenating(*this);
}

CGRect CGAffineTransform::apply(const CGRect& r) const {
    return boundingRectOfConvertedCorners(r, [this](CGPoint p) { return apply(p); });
}

CGAffineTransform CGAffineTransform::inverted() const {
    CGFloat det = a * d - b * c;
    if (det == 0) return identity();
    CGFloat ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    return {ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
}
