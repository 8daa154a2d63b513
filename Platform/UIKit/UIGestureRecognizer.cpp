#include "UIKit/UIGestureRecognizer.h"

#include <algorithm>

#include "UIKit/UITouch.h"
#include "UIKit/UIView.h"

void UIGestureRecognizer::removeTarget(const void* target) {
    actions_.erase(std::remove_if(actions_.begin(), actions_.end(),
                                  [&](const auto& pair) { return pair.target() == target; }),
                   actions_.end());
}

CGPoint UIGestureRecognizer::locationInView(const UIView* view) const {
    return lastTouch_ ? lastTouch_->locationInView(view) : CGPoint{};
}

void UIGestureRecognizer::sendActions() {
    auto self = shared_from_this();
    for (const auto& action : std::vector(actions_)) action(self);
}
