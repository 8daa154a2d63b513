#include "UIKit/CGRect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

CGFloat CGRect::minX() const { return std::min(origin.x, origin.x + size.width); }
CGFloat CGRect::maxX() const { return std::max(origin.x, origin.x + size.width); }
CGFloat CGRect::midX() const { return origin.x + size.width / 2; }
CGFloat CGRect::minY() const { return std::min(origin.y, origin.y + size.height); }
CGFloat CGRect::maxY() const { return std::max(origin.y, origin.y + size.height); }
CGFloat CGRect::midY() const { return origin.y + size.height / 2; }
CGFloat CGRect::width() const { return std::fabs(size.width); }
CGFloat CGRect::height() const { return std::fabs(size.height); }

bool CGRect::contains(CGPoint point) const {
    return point.x >= minX() && point.x < maxX() && point.y >= minY() && point.y < maxY();
}

bool CGRect::intersects(const CGRect& other) const {
    return minX() < other.maxX() && other.minX() < maxX() && minY() < other.maxY() &&
           other.minY() < maxY();
}

CGRect CGRect::standardized() const { return {minX(), minY(), width(), height()}; }

CGRect CGRect::offsetBy(CGFloat dx, CGFloat dy) const {
    return {origin.x + dx, origin.y + dy, size.width, size.height};
}

CGRect CGRect::insetBy(CGFloat dx, CGFloat dy) const {
    CGRect r = standardized();
    return {r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy};
}

std::string CGRect::description() const {
    char text[128];
    std::snprintf(text, sizeof text, "{{%g, %g}, {%g, %g}}", origin.x, origin.y, size.width,
                  size.height);
    return text;
}

CGRect CGRect::unionWith(const CGRect& other) const {
    const CGFloat left = std::min(minX(), other.minX()), top = std::min(minY(), other.minY());
    return {left, top, std::max(maxX(), other.maxX()) - left, std::max(maxY(), other.maxY()) - top};
}
