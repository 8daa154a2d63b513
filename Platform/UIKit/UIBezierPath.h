#pragma once

#include <memory>

#include "UIKit/CGRect.h"

// Corners of a rectangle, combinable as bit flags.
enum UIRectCorner : unsigned {
    UIRectCornerTopLeft = 1u << 0,
    UIRectCornerTopRight = 1u << 1,
    UIRectCornerBottomLeft = 1u << 2,
    UIRectCornerBottomRight = 1u << 3,
    UIRectCornerAllCorners = 0xFu,
};

// A closed rectangle whose chosen corners are quarter ellipses; what the layer masks use.
class UIBezierPath {
public:
    static std::shared_ptr<UIBezierPath> makeRect(CGRect rect);
    static std::shared_ptr<UIBezierPath> makeRoundedRect(CGRect rect, CGFloat cornerRadius);
    // bezierPathWithRoundedRect:byRoundingCorners:cornerRadii:
    static std::shared_ptr<UIBezierPath> makeRoundedRect(CGRect rect, unsigned corners,
                                                         CGSize cornerRadii);

    UIBezierPath(CGRect rect, unsigned corners, CGSize radii);

    CGRect bounds() const { return rect_; }
    unsigned roundedCorners() const { return corners_; }
    // Radii as drawn: clamped to half the rectangle's sides, as the platform does.
    CGSize cornerRadii() const;
    bool isCornerRounded(UIRectCorner corner) const { return (corners_ & corner) != 0; }
    // Whether the point lies inside the filled shape.
    bool contains(CGPoint point) const;

private:
    CGRect rect_;
    unsigned corners_;
    CGSize radii_;
};
