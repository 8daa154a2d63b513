#include "UIKit/UIBezierPath.h"

#include <algorithm>

std::shared_ptr<UIBezierPath> UIBezierPath::makeRect(CGRect rect) {
    return std::make_shared<UIBezierPath>(rect, 0u, CGSize{});
}

std::shared_ptr<UIBezierPath> UIBezierPath::makeRoundedRect(CGRect rect, CGFloat cornerRadius) {
    return std::make_shared<UIBezierPath>(rect, UIRectCornerAllCorners,
                                          CGSize{cornerRadius, cornerRadius});
}

std::shared_ptr<UIBezierPath> UIBezierPath::makeRoundedRect(CGRect rect, unsigned corners,
                                                            CGSize cornerRadii) {
    return std::make_shared<UIBezierPath>(rect, corners, cornerRadii);
}

UIBezierPath::UIBezierPath(CGRect rect, unsigned corners, CGSize radii)
    : rect_(rect.standardized()), corners_(corners & UIRectCornerAllCorners), radii_(radii) {}

CGSize UIBezierPath::cornerRadii() const {
    return {std::clamp(radii_.width, 0.0, rect_.width() / 2),
            std::clamp(radii_.height, 0.0, rect_.height() / 2)};
}

bool UIBezierPath::contains(CGPoint p) const {
    if (!rect_.contains(p)) return false;
    CGSize r = cornerRadii();
    if (r.width <= 0 || r.height <= 0) return true;
    struct Corner {
        UIRectCorner corner;
        CGFloat cx, cy;
        bool left, top;
    };
    const Corner corners[] = {
        {UIRectCornerTopLeft, rect_.minX() + r.width, rect_.minY() + r.height, true, true},
        {UIRectCornerTopRight, rect_.maxX() - r.width, rect_.minY() + r.height, false, true},
        {UIRectCornerBottomLeft, rect_.minX() + r.width, rect_.maxY() - r.height, true, false},
        {UIRectCornerBottomRight, rect_.maxX() - r.width, rect_.maxY() - r.height, false, false},
    };
    for (const auto& c : corners) {
        if (!isCornerRounded(c.corner)) continue;
        bool inCornerBox = (c.left ? p.x < c.cx : p.x > c.cx) && (c.top ? p.y < c.cy : p.y > c.cy);
        if (!inCornerBox) continue;
        CGFloat dx = (p.x - c.cx) / r.width, dy = (p.y - c.cy) / r.height;
        if (dx * dx + dy * dy > 1) return false;
    }
    return true;
}
