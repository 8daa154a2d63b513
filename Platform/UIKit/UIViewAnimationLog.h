#pragma once

#include <optional>
#include <vector>

#include "UIKit/CGPoint.h"

// One call of UIView::animate as the caller asked for it.
struct UIViewAnimationRecord {
    double duration = 0;
    double delay = 0;
    unsigned options = 0;
    std::optional<CGFloat> springDamping;
    std::optional<CGFloat> springVelocity;
    bool hasCompletion = false;
    bool animationsEnabled = true;  // false: applied and completed without animating
};

// Every animation started since the last clear, in call order. Main thread only; process-wide,
// like the animations themselves. Tests read it through UIKitTesting.
class UIViewAnimationLog {
public:
    static const std::vector<UIViewAnimationRecord>& records();
    static void append(const UIViewAnimationRecord& record);
    static void clear();
};
