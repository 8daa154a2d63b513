#include "UIKit/UINavigationBar.h"

#include "UIKit/UINavigationController.h"

UINavigationBar::Appearance& UINavigationBar::appearance() {
    static Appearance proxy;
    return proxy;
}

UINavigationBar::UINavigationBar() : UINavigationBar(CGRect{}) {}

UINavigationBar::UINavigationBar(CGRect frame) : UIView(frame) {
    const auto& proxy = appearance();
    if (proxy.tintColor) setTintColor(proxy.tintColor);
    if (proxy.titleTextAttributes) titleTextAttributes_ = *proxy.titleTextAttributes;
    barTintColor_ = proxy.barTintColor;
}

void UINavigationBar::setTranslucent(bool translucent) {
    checkMainThread("setTranslucent");
    if (translucent_ == translucent) return;
    translucent_ = translucent;
    // The screen under the bar starts at the window's top or below the bar.
    if (auto holder = superview())
        if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(holder->nextResponder()))
            navigation->layoutTopView();
}

void UINavigationBar::setTitleTextAttributes(TextAttributes attributes) {
    checkMainThread("setTitleTextAttributes");
    titleTextAttributes_ = std::move(attributes);
}

void UINavigationBar::setBarTintColor(std::optional<UIColor> color) {
    checkMainThread("setBarTintColor");
    barTintColor_ = color;
}
