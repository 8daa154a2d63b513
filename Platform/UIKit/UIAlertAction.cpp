#include "UIKit/UIAlertAction.h"

UIAlertAction::UIAlertAction(std::string title, UIAlertActionStyle style, Handler handler)
    : title_(std::move(title)), style_(style), handler_(std::move(handler)) {}

std::shared_ptr<UIAlertAction> UIAlertAction::make(std::string title, UIAlertActionStyle style,
                                                   Handler handler) {
    return std::make_shared<UIAlertAction>(std::move(title), style, std::move(handler));
}
