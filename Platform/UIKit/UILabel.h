#pragma once

#include <optional>
#include <string>

#include "UIKit/UIView.h"

enum class NSTextAlignment { left, center, right, justified, natural };

// A read-only text. Labels ignore touches unless told otherwise.
class UILabel : public UIView {
public:
    UILabel();
    explicit UILabel(CGRect frame);

    const std::optional<std::string>& text() const { return text_; }
    void setText(std::optional<std::string> text);
    UIColor textColor() const { return textColor_; }
    void setTextColor(UIColor color);
    NSTextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(NSTextAlignment alignment) { alignment_ = alignment; }
    int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines) { numberOfLines_ = lines; }

private:
    std::optional<std::string> text_;
    UIColor textColor_ = UIColor::black();
    NSTextAlignment alignment_ = NSTextAlignment::natural;
    int numberOfLines_ = 1;
};
