#pragma once

#include <memory>
#include <vector>

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIView.h"

enum class UIBarStyle { defaultStyle = 0, black = 1 };

// A bar of bar button items, left to right.
class UIToolbar : public UIView {
public:
    UIToolbar();
    explicit UIToolbar(CGRect frame);

    const std::vector<std::shared_ptr<UIBarButtonItem>>& items() const { return items_; }
    void setItems(std::vector<std::shared_ptr<UIBarButtonItem>> items, bool animated = false);
    UIBarStyle barStyle() const { return barStyle_; }
    void setBarStyle(UIBarStyle style);
    bool isTranslucent() const { return translucent_; }
    void setTranslucent(bool translucent);
    std::optional<UIColor> barTintColor() const { return barTintColor_; }
    void setBarTintColor(std::optional<UIColor> color);

    // The given width and the standard bar height.
    CGSize sizeThatFits(CGSize size) const override;

private:
    std::vector<std::shared_ptr<UIBarButtonItem>> items_;
    UIBarStyle barStyle_ = UIBarStyle::defaultStyle;
    bool translucent_ = true;
    std::optional<UIColor> barTintColor_;
};
