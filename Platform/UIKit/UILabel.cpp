#include "UIKit/UILabel.h"

#include <algorithm>

#include "UIKit/TextMetrics.h"

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

void UILabel::setFont(UIFont font) {
    checkMainThread("setFont");
    font_ = std::move(font);
}

CGSize UILabel::sizeThatFits(CGSize size) const {
    if (!text_) return {};
    CGFloat width = size.width > 0 ? size.width : TextMetrics::unlimitedWidth;
    return TextMetrics::size(*text_, font_, width, std::max(0, numberOfLines_));
}

CGSize UILabel::intrinsicContentSize() const {
    return sizeThatFits(CGSize{preferredMaxLayoutWidth_, 0});
}
