#pragma once

#include <string>

#include "UIKit/CGPoint.h"
#include "UIKit/CGSize.h"

// A rectangle; the min/max/mid accessors standardise a negative size as the platform does.
struct CGRect {
    CGPoint origin;
    CGSize size;

    constexpr CGRect() = default;
    constexpr CGRect(CGPoint o, CGSize s) : origin(o), size(s) {}
    constexpr CGRect(CGFloat x, CGFloat y, CGFloat width, CGFloat height)
        : origin{x, y}, size{width, height} {}

    static constexpr CGRect zero() { return {}; }

    CGFloat minX() const;
    CGFloat maxX() const;
    CGFloat midX() const;
    CGFloat minY() const;
    CGFloat maxY() const;
    CGFloat midY() const;
    CGFloat width() const;   // always >= 0
    CGFloat height() const;  // always >= 0
    CGPoint center() const { return {midX(), midY()}; }

    bool isEmpty() const { return width() == 0 || height() == 0; }
    // Half-open on the far edges, like the platform's CGRectContainsPoint.
    bool contains(CGPoint point) const;
    bool intersects(const CGRect& other) const;
    CGRect standardized() const;
    CGRect offsetBy(CGFloat dx, CGFloat dy) const;
    CGRect insetBy(CGFloat dx, CGFloat dy) const;

    // "{{x, y}, {w, h}}" for messages and the glass.
    std::string description() const;

    constexpr bool operator==(const CGRect&) const = default;
};
