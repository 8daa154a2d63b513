#pragma once

#include <string>
#include <utility>

#include "UIKit/CGPoint.h"

// A font as the toolkit's text metric needs it: a name and a point size. A value type.
class UIFont {
public:
    static constexpr CGFloat labelFontSize = 17;

    UIFont() = default;
    UIFont(std::string name, CGFloat pointSize) : name_(std::move(name)), pointSize_(pointSize) {}

    static UIFont systemFont(CGFloat size) { return UIFont("System", size); }
    static UIFont boldSystemFont(CGFloat size) { return UIFont("System-Bold", size); }

    const std::string& fontName() const { return name_; }
    CGFloat pointSize() const { return pointSize_; }
    // The height of one line of text in this font.
    CGFloat lineHeight() const;

    bool operator==(const UIFont&) const = default;

private:
    std::string name_ = "System";
    CGFloat pointSize_ = labelFontSize;
};
