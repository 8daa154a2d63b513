#pragma once

#include <functional>
#include <memory>
#include <string>

enum class UIAlertActionStyle { defaultStyle, cancel, destructive };

// One button of an alert. The handler runs after the alert has been dismissed.
class UIAlertAction {
public:
    using Handler = std::function<void(const std::shared_ptr<UIAlertAction>&)>;

    static std::shared_ptr<UIAlertAction> make(std::string title, UIAlertActionStyle style,
                                               Handler handler = nullptr);
    UIAlertAction(std::string title, UIAlertActionStyle style, Handler handler);

    const std::string& title() const { return title_; }
    UIAlertActionStyle style() const { return style_; }
    bool hasHandler() const { return static_cast<bool>(handler_); }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }

private:
    friend class UIAlertController;
    std::string title_;
    UIAlertActionStyle style_;
    Handler handler_;
    bool enabled_ = true;
};
