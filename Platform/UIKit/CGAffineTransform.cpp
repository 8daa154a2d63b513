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
    CGRect s = r.standardized();
    CGPoint corners[] = {apply(CGPoint{s.minX(), s.minY()}), apply(CGPoint{s.maxX(), s.minY()}),
                         apply(CGPoint{s.minX(), s.maxY()}), apply(CGPoint{s.maxX(), s.maxY()})};
    CGFloat minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const auto& p : corners) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return {minX, minY, maxX - minX, maxY - minY};
}

CGAffineTransform CGAffineTransform::inverted() const {
    CGFloat det = a * d - b * c;
    if (det == 0) return identity();
    CGFloat ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    return {ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
}
