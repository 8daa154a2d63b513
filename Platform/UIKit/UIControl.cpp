#include "UIKit/UIControl.h"

#include <algorithm>

#include "UIKit/UITouch.h"

UIControl::UIControl() : UIControl(CGRect{}) {}

UIControl::UIControl(CGRect frame) : UIView(frame) {}

void UIControl::setEnabled(bool enabled) {
    checkMainThread("setEnabled");
    enabled_ = enabled;
}

void UIControl::setSelected(bool selected) {
    checkMainThread("setSelected");
    selected_ = selected;
}

void UIControl::setHighlighted(bool highlighted) {
    checkMainThread("setHighlighted");
    highlighted_ = highlighted;
}

unsigned UIControl::state() const {
    unsigned s = UIControlStateNormal;
    if (highlighted_) s |= UIControlStateHighlighted;
    if (!enabled_) s |= UIControlStateDisabled;
    if (selected_) s |= UIControlStateSelected;
    return s;
}

void UIControl::addAction(Action::Handler handler, unsigned events) {
    actions_.push_back({Action::closure(std::move(handler)), events});
}

void UIControl::removeTarget(const void* target, unsigned events) {
    for (auto it = actions_.begin(); it != actions_.end();) {
        if (it->action.target() == target) {
            it->events &= ~events;
            if (it->events == 0) {
                it = actions_.erase(it);
                continue;
            }
        }
        ++it;
    }
}

bool UIControl::hasActions(unsigned events) const {
    return std::any_of(actions_.begin(), actions_.end(), [&](const Registration& r) {
        return (r.events & events) != 0 && r.action.isCallable();
    });
}

void UIControl::sendActions(unsigned events) {
    auto self = std::static_pointer_cast<UIControl>(sharedView());
    // A copy: actions may add or remove actions while they run.
    for (const auto& registration : std::vector(actions_)) {
        if (registration.events & events) registration.action(self);
    }
}

std::shared_ptr<UIView> UIControl::hitTest(CGPoint point, const std::shared_ptr<UIEvent>& event) {
    if (!enabled_) return nullptr;
    return UIView::hitTest(point, event);
}

void UIControl::touchesBegan(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) {
    if (!enabled_) return UIView::touchesBegan(touches, event);
    auto self = sharedView();
    setHighlighted(true);
    sendActions(UIControlEventTouchDown);
}

void UIControl::touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) {
    if (!enabled_) return UIView::touchesEnded(touches, event);
    auto self = sharedView();
    setHighlighted(false);
    bool inside = std::any_of(touches.begin(), touches.end(), [&](const auto& touch) {
        return pointInside(touch->locationInView(this), event);
    });
    sendActions(inside ? UIControlEventTouchUpInside : UIControlEventTouchUpOutside);
}

void UIControl::touchesCancelled(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) {
    if (!enabled_) return UIView::touchesCancelled(touches, event);
    auto self = sharedView();
    setHighlighted(false);
    sendActions(UIControlEventTouchCancel);
}
