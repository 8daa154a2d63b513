#pragma once

#include <algorithm>
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
    // The smallest rectangle holding both.
    CGRect unionWith(const CGRect& other) const;

    // "{{x, y}, {w, h}}" for messages and the glass.
    std::string description() const;

    constexpr bool operator==(const CGRect&) const = default;
};

// The smallest rectangle holding the four corners of `rect` after each went through `convert`
// (a transform or a change of coordinate space).
template <class Convert>
CGRect boundingRectOfConvertedCorners(const CGRect& rect, Convert convert) {
    const CGRect r = rect.standardized();
    const CGPoint corners[] = {convert(CGPoint{r.minX(), r.minY()}), convert(CGPoint{r.maxX(), r.minY()}),
                               convert(CGPoint{r.minX(), r.maxY()}), convert(CGPoint{r.maxX(), r.maxY()})};
    CGFloat minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const auto& p : corners) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return {minX, minY, maxX - minX, maxY - minY};
}
