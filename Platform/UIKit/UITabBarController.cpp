#include "UIKit/UITabBarController.h"

#include <algorithm>

#include "UIKit/UIView.h"

UITabBarController::UITabBarController() = default;
UITabBarController::~UITabBarController() = default;

std::shared_ptr<UIViewController> UITabBarController::selectedViewController() const {
    const auto& tabs = viewControllers();
    return selectedIndex_ < tabs.size() ? tabs[selectedIndex_] : nullptr;
}

std::vector<std::shared_ptr<UIViewController>> UITabBarController::childrenSharingAppearance() const {
    if (auto selected = selectedViewController()) return {selected};
    return {};
}

void UITabBarController::setViewControllers(std::vector<std::shared_ptr<UIViewController>> controllers,
                                            bool /*animated*/) {
    finishPendingTransitions();
    auto previous = selectedViewController();
    std::vector<std::shared_ptr<UIViewController>> unique;
    for (auto& controller : controllers) {
        if (controller && controller.get() != this &&
            std::find(unique.begin(), unique.end(), controller) == unique.end()) {
            unique.push_back(std::move(controller));
        }
    }
    for (const auto& old : std::vector(viewControllers())) {
        if (std::find(unique.begin(), unique.end(), old) == unique.end()) removeChildViewController(old);
    }
    for (const auto& controller : unique) addChildViewController(controller);
    setChildViewControllers(unique);
    auto kept = std::find(unique.begin(), unique.end(), previous);
    select(kept == unique.end() ? 0 : static_cast<std::size_t>(kept - unique.begin()), previous);
}

void UITabBarController::setSelectedViewController(const std::shared_ptr<UIViewController>& controller) {
    const auto& tabs = viewControllers();
    auto it = std::find(tabs.begin(), tabs.end(), controller);
    if (it != tabs.end()) setSelectedIndex(static_cast<std::size_t>(it - tabs.begin()));
}

void UITabBarController::setSelectedIndex(std::size_t index) {
    if (index >= viewControllers().size()) return;
    finishPendingTransitions();
    select(index, selectedViewController());
}

void UITabBarController::select(std::size_t index, const std::shared_ptr<UIViewController>& previous) {
    selectedIndex_ = index;
    auto selected = selectedViewController();
    if (selected == previous) {
        placeSelectedView();
        return;
    }
    bool onGlass = isOnGlass();
    if (onGlass && selected) selected->view();
    if (onGlass && previous) previous->beginAppearanceTransition(false, false);
    if (onGlass && selected) selected->beginAppearanceTransition(true, false);
    placeSelectedView();
    if (onGlass && previous) previous->endAppearanceTransition();
    if (onGlass && selected) selected->endAppearanceTransition();
}

void UITabBarController::loadView() {
    UIViewController::loadView();
    placeSelectedView();
}

void UITabBarController::placeSelectedView() {
    auto root = viewIfLoaded();
    if (!root) return;
    auto selected = selectedViewController();
    auto selectedView = selected ? selected->view() : nullptr;
    for (const auto& subview : std::vector(root->subviews())) {
        if (subview != selectedView) subview->removeFromSuperview();
    }
    if (selectedView && selectedView->superview() != root) {
        selectedView->setFrame(root->bounds());
        root->addSubview(selectedView);
    }
}
