#include "UIKit/UIBarButtonItem.h"

#include "UIKit/UIControl.h"

UIBarButtonItem::Appearance& UIBarButtonItem::appearance() {
    static Appearance proxy;
    return proxy;
}

UIBarButtonItem::UIBarButtonItem(std::optional<std::string> title, Style style)
    : title_(std::move(title)), style_(style) {
    applyAppearance();
}

UIBarButtonItem::UIBarButtonItem(std::shared_ptr<UIImage> image, Style style)
    : image_(std::move(image)), style_(style) {
    applyAppearance();
}

UIBarButtonItem::UIBarButtonItem(SystemItem item) : systemItem_(item) {
    switch (item) {
        case SystemItem::done: title_ = "Done"; style_ = Style::done; break;
        case SystemItem::cancel: title_ = "Cancel"; break;
        case SystemItem::edit: title_ = "Edit"; break;
        case SystemItem::save: title_ = "Save"; style_ = Style::done; break;
        case SystemItem::add: title_ = "+"; break;
        case SystemItem::flexibleSpace:
        case SystemItem::fixedSpace: break;
    }
    applyAppearance();
}

void UIBarButtonItem::applyAppearance() { titleTextAttributes_ = appearance().titleTextAttributes; }

void UIBarButtonItem::setAction(Action::Handler handler) {
    action_ = Action::closure(std::move(handler));
    hasAction_ = true;
}

void UIBarButtonItem::clearAction() {
    action_ = Action{};
    hasAction_ = false;
}

bool UIBarButtonItem::isSpace() const {
    return systemItem_ == SystemItem::flexibleSpace || systemItem_ == SystemItem::fixedSpace;
}

void UIBarButtonItem::sendAction() {
    if (!enabled_ || isSpace() || !hasAction_) return;
    auto self = shared_from_this();  // the action may drop the bar that holds this item
    action_(self);
}

void UIBarButtonItem::setTitleTextAttributes(TextAttributes attributes, unsigned state) {
    titleTextAttributes_[state] = std::move(attributes);
}

TextAttributes UIBarButtonItem::titleTextAttributes(unsigned state) const {
    if (auto it = titleTextAttributes_.find(state); it != titleTextAttributes_.end()) return it->second;
    if (auto it = titleTextAttributes_.find(UIControlStateNormal); it != titleTextAttributes_.end())
        return it->second;
    return {};
}
