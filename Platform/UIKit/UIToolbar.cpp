#include "UIKit/UIToolbar.h"

UIToolbar::UIToolbar() : UIToolbar(CGRect{}) {}

UIToolbar::UIToolbar(CGRect frame) : UIView(frame) {}

void UIToolbar::setItems(std::vector<std::shared_ptr<UIBarButtonItem>> items, bool) {
    checkMainThread("setItems");
    items_ = std::move(items);
}

void UIToolbar::setBarStyle(UIBarStyle style) {
    checkMainThread("setBarStyle");
    barStyle_ = style;
}

void UIToolbar::setTranslucent(bool translucent) {
    checkMainThread("setTranslucent");
    translucent_ = translucent;
}

void UIToolbar::setBarTintColor(std::optional<UIColor> color) {
    checkMainThread("setBarTintColor");
    barTintColor_ = color;
}

CGSize UIToolbar::sizeThatFits(CGSize size) const { return {size.width, 44}; }
