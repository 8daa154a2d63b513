#pragma once

#include "UIKit/CGPoint.h"

struct UIEdgeInsets {
    CGFloat top = 0;
    CGFloat left = 0;
    CGFloat bottom = 0;
    CGFloat right = 0;

    static constexpr UIEdgeInsets zero() { return {}; }
    constexpr bool operator==(const UIEdgeInsets&) const = default;
};
