// The window's screens: its root view controller, and being key and visible.

#include "UIKit/UIApplication.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

void UIWindow::setRootViewController(std::shared_ptr<UIViewController> controller) {
    if (controller == rootViewController_) return;
    UIViewController::finishPendingTransitions();
    auto old = rootViewController_;
    bool onGlass = isVisible();
    if (controller) controller->view();  // loaded before anyone is told, as on the platform
    if (old) {
        // What the old root presents goes with it: nothing of the old hierarchy stays on the glass.
        if (old->presented_) old->dismissPresented(false, nullptr, false);
        if (onGlass) old->beginAppearanceTransition(false, false);
    }
    rootViewController_ = controller;
    if (controller) {
        auto view = controller->view();
        view->setFrame(bounds());
        view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        addSubview(view);
        if (onGlass) controller->beginAppearanceTransition(true, false);
    }
    if (old) {
        if (onGlass) old->endAppearanceTransition();
        if (auto view = old->viewIfLoaded(); view && view->superview().get() == this) view->removeFromSuperview();
    }
    if (controller && onGlass) controller->endAppearanceTransition();
}

void UIWindow::makeKeyAndVisible() {
    setHidden(false);
    bool wasVisible = visible_;
    visible_ = true;
    auto self = std::static_pointer_cast<UIWindow>(shared_from_this());
    UIApplication::shared()->windowBecameVisible(self);
    UIApplication::shared()->windowBecameKey(self);
    if (!wasVisible && rootViewController_) {
        rootViewController_->beginAppearanceTransition(true, false);
        rootViewController_->endAppearanceTransition();
    }
}

void UIWindow::makeKey() {
    UIApplication::shared()->windowBecameKey(std::static_pointer_cast<UIWindow>(shared_from_this()));
}

bool UIWindow::isKeyWindow() const {
    return UIApplication::shared()->keyWindow().get() == this;
}
