#include "UIKit/UINavigationItem.h"

std::shared_ptr<UIBarButtonItem> UINavigationItem::leftBarButtonItem() const {
    return left_.empty() ? nullptr : left_.front();
}

void UINavigationItem::setLeftBarButtonItem(std::shared_ptr<UIBarButtonItem> item) {
    left_.clear();
    if (item) left_.push_back(std::move(item));
}

void UINavigationItem::setLeftBarButtonItems(std::vector<std::shared_ptr<UIBarButtonItem>> items) {
    std::erase(items, nullptr);
    left_ = std::move(items);
}

std::shared_ptr<UIBarButtonItem> UINavigationItem::rightBarButtonItem() const {
    return right_.empty() ? nullptr : right_.front();
}

void UINavigationItem::setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item) {
    right_.clear();
    if (item) right_.push_back(std::move(item));
}

void UINavigationItem::setRightBarButtonItems(std::vector<std::shared_ptr<UIBarButtonItem>> items) {
    std::erase(items, nullptr);
    right_ = std::move(items);
}

void UINavigationItem::setHidesBackButton(bool hides, bool /*animated*/) {
    hidesBackButton_ = hides;
}
