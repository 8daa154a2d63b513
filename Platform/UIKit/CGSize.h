#pragma once

#include "UIKit/CGPoint.h"

struct CGSize {
    CGFloat width = 0;
    CGFloat height = 0;

    static constexpr CGSize zero() { return {}; }
    constexpr bool operator==(const CGSize&) const = default;
};
