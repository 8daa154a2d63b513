#include "UIKit/UILabel.h"

UILabel::UILabel() : UILabel(CGRect{}) {}

UILabel::UILabel(CGRect frame) : UIView(frame) { userInteractionEnabled_ = false; }

void UILabel::setText(std::optional<std::string> text) {
    checkMainThread("setText");
    text_ = std::move(text);
}

void UILabel::setTextColor(UIColor color) {
    checkMainThread("setTextColor");
    textColor_ = color;
}
