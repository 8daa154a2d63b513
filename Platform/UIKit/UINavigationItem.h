#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

class UIBarButtonItem;

// What a screen shows in the navigation bar while it is on top (and, through its back item, while
// the screen above it is).
class UINavigationItem {
public:
    const std::optional<std::string>& title() const { return title_; }
    void setTitle(std::optional<std::string> title) { title_ = std::move(title); }

    // The item the bar shows as the back control of the screen pushed above this one.
    const std::shared_ptr<UIBarButtonItem>& backBarButtonItem() const { return backBarButtonItem_; }
    void setBackBarButtonItem(std::shared_ptr<UIBarButtonItem> item) { backBarButtonItem_ = std::move(item); }

    std::shared_ptr<UIBarButtonItem> leftBarButtonItem() const;
    void setLeftBarButtonItem(std::shared_ptr<UIBarButtonItem> item);
    const std::vector<std::shared_ptr<UIBarButtonItem>>& leftBarButtonItems() const { return left_; }
    void setLeftBarButtonItems(std::vector<std::shared_ptr<UIBarButtonItem>> items);

    std::shared_ptr<UIBarButtonItem> rightBarButtonItem() const;
    void setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item);
    const std::vector<std::shared_ptr<UIBarButtonItem>>& rightBarButtonItems() const { return right_; }
    void setRightBarButtonItems(std::vector<std::shared_ptr<UIBarButtonItem>> items);

    bool hidesBackButton() const { return hidesBackButton_; }
    void setHidesBackButton(bool hides) { setHidesBackButton(hides, false); }
    // Animated only changes how the bar gets there; the value is set at once.
    void setHidesBackButton(bool hides, bool animated);

private:
    std::optional<std::string> title_;
    std::shared_ptr<UIBarButtonItem> backBarButtonItem_;
    std::vector<std::shared_ptr<UIBarButtonItem>> left_;
    std::vector<std::shared_ptr<UIBarButtonItem>> right_;
    bool hidesBackButton_ = false;
};
