#pragma once

#include <optional>

#include "UIKit/TextAttributes.h"
#include "UIKit/UIView.h"

// The bar at the top of a navigation stack. Its appearance proxy styles bars created after a
// setting, process-wide (main thread only).
class UINavigationBar : public UIView {
public:
    struct Appearance {
        std::optional<UIColor> tintColor;
        std::optional<TextAttributes> titleTextAttributes;
        std::optional<UIColor> barTintColor;
    };
    static Appearance& appearance();

    UINavigationBar();
    explicit UINavigationBar(CGRect frame);

    bool isTranslucent() const { return translucent_; }
    void setTranslucent(bool translucent);
    const TextAttributes& titleTextAttributes() const { return titleTextAttributes_; }
    void setTitleTextAttributes(TextAttributes attributes);
    std::optional<UIColor> barTintColor() const { return barTintColor_; }
    void setBarTintColor(std::optional<UIColor> color);

    // The standard bar height.
    CGSize sizeThatFits(CGSize size) const override { return {size.width, 44}; }

private:
    bool translucent_ = true;
    TextAttributes titleTextAttributes_;
    std::optional<UIColor> barTintColor_;
};
