#include "UIKit/UIAlertController.h"

#include <algorithm>

UIAlertController::UIAlertController(std::optional<std::string> title, std::optional<std::string> message,
                                     UIAlertControllerStyle style)
    : message_(std::move(message)), style_(style) {
    setTitle(std::move(title));
    setModalPresentationStyle(UIModalPresentationStyle::overFullScreen);
}

std::shared_ptr<UIAlertController> UIAlertController::make(std::optional<std::string> title,
                                                           std::optional<std::string> message,
                                                           UIAlertControllerStyle style) {
    return std::make_shared<UIAlertController>(std::move(title), std::move(message), style);
}

void UIAlertController::addAction(std::shared_ptr<UIAlertAction> action) {
    if (action) actions_.push_back(std::move(action));
}

std::shared_ptr<UIAlertAction> UIAlertController::actionTitled(const std::string& title) const {
    auto it = std::find_if(actions_.begin(), actions_.end(), [&](const auto& a) { return a->title() == title; });
    return it == actions_.end() ? nullptr : *it;
}

bool UIAlertController::pressAction(const std::shared_ptr<UIAlertAction>& action) {
    if (!action || !action->isEnabled() || !presentingViewController()) return false;
    if (std::find(actions_.begin(), actions_.end(), action) == actions_.end()) return false;
    // Kept alive through the handler, which may drop the last other reference to the alert.
    auto self = shared_from_this();
    dismiss(true);
    if (action->handler_) action->handler_(action);
    return true;
}
