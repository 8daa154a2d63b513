#pragma once

#include <optional>
#include <string>

#include "UIKit/UIFont.h"
#include "UIKit/UIView.h"

enum class NSTextAlignment { left, center, right, justified, natural };

// A read-only text. Labels ignore touches unless told otherwise. Sized by the toolkit's text metric
// (TextMetrics): wrapped at the width asked for, at most numberOfLines lines (0: any number).
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
    const UIFont& font() const { return font_; }
    void setFont(UIFont font);
    // The width the intrinsic size wraps at; 0 (the default) sets every line in one.
    CGFloat preferredMaxLayoutWidth() const { return preferredMaxLayoutWidth_; }
    void setPreferredMaxLayoutWidth(CGFloat width) { preferredMaxLayoutWidth_ = width; }

    // A width of 0 or less is no limit; the height asked for is not one either.
    CGSize sizeThatFits(CGSize size) const override;
    CGSize intrinsicContentSize() const override;

private:
    std::optional<std::string> text_;
    UIColor textColor_ = UIColor::black();
    NSTextAlignment alignment_ = NSTextAlignment::natural;
    int numberOfLines_ = 1;
    UIFont font_ = UIFont::systemFont(UIFont::labelFontSize);
    CGFloat preferredMaxLayoutWidth_ = 0;
};
