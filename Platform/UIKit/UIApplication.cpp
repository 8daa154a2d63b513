#include "UIKit/UIApplication.h"

#include <algorithm>
#include <functional>

#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

const std::shared_ptr<UIApplication>& UIApplication::shared() {
    static const std::shared_ptr<UIApplication> application = std::make_shared<UIApplication>();
    return application;
}

std::vector<std::shared_ptr<UIWindow>> UIApplication::windows() const {
    std::vector<std::shared_ptr<UIWindow>> live;
    for (const auto& weak : windows_) {
        if (auto window = weak.lock()) live.push_back(window);
    }
    return live;
}

void UIApplication::windowBecameVisible(const std::shared_ptr<UIWindow>& window) {
    std::erase_if(windows_, [](const auto& weak) { return weak.expired(); });
    bool known = std::any_of(windows_.begin(), windows_.end(),
                             [&](const auto& weak) { return weak.lock() == window; });
    if (!known) windows_.push_back(window);
}

void UIApplication::windowBecameKey(const std::shared_ptr<UIWindow>& window) {
    keyWindow_ = window;
}

bool UIApplication::sendAction(const std::string& action, const std::shared_ptr<UIResponder>& target,
                               const std::shared_ptr<UIResponder>& sender, const std::shared_ptr<UIEvent>& event) {
    if (target) return target->performAction(action, sender, event);
    std::shared_ptr<UIResponder> responder;
    if (auto window = keyWindow()) {
        responder = window->firstResponder();
        if (!responder) responder = window;
    }
    for (; responder; responder = responder->nextResponder()) {
        if (responder->performAction(action, sender, event)) return true;
        // The chain ends at a window; the application comes after it.
        if (std::dynamic_pointer_cast<UIWindow>(responder)) break;
    }
    return performAction(action, sender, event);
}

void UIApplication::sendMemoryWarning() {
    std::function<void(const std::shared_ptr<UIViewController>&)> warn =
        [&](const std::shared_ptr<UIViewController>& controller) {
            if (!controller) return;
            controller->didReceiveMemoryWarning();
            for (const auto& child : std::vector(controller->childViewControllers())) warn(child);
            if (!controller->parentViewController()) warn(controller->presentedViewController());
        };
    for (const auto& window : windows()) warn(window->rootViewController());
}
