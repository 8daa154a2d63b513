#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "UIKit/UIViewAnimationLog.h"

// What UIView::animate was asked to do since the last reset (duration, delay, options, spring
// values), in call order.
class UIAnimationRecorder {
public:
    static const std::vector<UIViewAnimationRecord>& records() { return UIViewAnimationLog::records(); }
    static std::size_t count() { return records().size(); }
    static std::optional<UIViewAnimationRecord> last();
    static void reset() { UIViewAnimationLog::clear(); }
};
