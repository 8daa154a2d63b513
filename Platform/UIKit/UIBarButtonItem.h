#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "UIKit/CGPoint.h"
#include "UIKit/TargetAction.h"
#include "UIKit/TextAttributes.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"

// A button of a toolbar or navigation bar (not a view). Its target is held weakly. The appearance
// proxy's title text attributes are copied into items created after a setting.
class UIBarButtonItem : public std::enable_shared_from_this<UIBarButtonItem> {
public:
    using Action = TargetAction<UIBarButtonItem>;
    enum class Style { plain, done };
    enum class SystemItem { done, cancel, edit, save, add, flexibleSpace, fixedSpace };

    struct Appearance {
        std::map<unsigned, TextAttributes> titleTextAttributes;  // by control state
    };
    static Appearance& appearance();

    // A titled item.
    UIBarButtonItem(std::optional<std::string> title, Style style);
    // An image item.
    UIBarButtonItem(std::shared_ptr<UIImage> image, Style style);
    // A system item: Done shows "Done" in the done style; spaces have no title.
    explicit UIBarButtonItem(SystemItem item);

    template <class T, class Method>
    void setTarget(const std::shared_ptr<T>& target, Method action) {
        action_ = Action::bind(target, action);
        hasAction_ = true;
    }
    void setAction(Action::Handler handler);
    void clearAction();
    bool hasAction() const { return hasAction_; }
    // Identity of the target, or null.
    const void* target() const { return action_.target(); }
    // What a tap on the item does; nothing when disabled or a space.
    void sendAction();

    const std::optional<std::string>& title() const { return title_; }
    void setTitle(std::optional<std::string> title) { title_ = std::move(title); }
    const std::shared_ptr<UIImage>& image() const { return image_; }
    void setImage(std::shared_ptr<UIImage> image) { image_ = std::move(image); }
    Style style() const { return style_; }
    std::optional<SystemItem> systemItem() const { return systemItem_; }
    bool isSpace() const;
    CGFloat width() const { return width_; }
    void setWidth(CGFloat width) { width_ = width; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    std::optional<UIColor> tintColor() const { return tintColor_; }
    void setTintColor(std::optional<UIColor> color) { tintColor_ = color; }
    void setTitleTextAttributes(TextAttributes attributes, unsigned state);
    // The attributes for the state, falling back to the normal state's; empty when none.
    TextAttributes titleTextAttributes(unsigned state) const;

private:
    void applyAppearance();

    std::optional<std::string> title_;
    std::shared_ptr<UIImage> image_;
    Style style_ = Style::plain;
    std::optional<SystemItem> systemItem_;
    CGFloat width_ = 0;
    bool enabled_ = true;
    std::optional<UIColor> tintColor_;
    std::map<unsigned, TextAttributes> titleTextAttributes_;
    Action action_;
    bool hasAction_ = false;
};
