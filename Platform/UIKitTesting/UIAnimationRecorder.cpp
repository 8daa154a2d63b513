#include "UIKitTesting/UIAnimationRecorder.h"

std::optional<UIViewAnimationRecord> UIAnimationRecorder::last() {
    const auto& all = records();
    if (all.empty()) return std::nullopt;
    return all.back();
}
