#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/UIAlertAction.h"
#include "UIKit/UIViewController.h"

enum class UIAlertControllerStyle { alert, actionSheet };

// A title, a message and buttons, presented over the current screen (which stays on the glass).
class UIAlertController : public UIViewController {
public:
    UIAlertController(std::optional<std::string> title, std::optional<std::string> message,
                      UIAlertControllerStyle style);

    static std::shared_ptr<UIAlertController> make(std::optional<std::string> title,
                                                   std::optional<std::string> message,
                                                   UIAlertControllerStyle style = UIAlertControllerStyle::alert);

    const std::optional<std::string>& message() const { return message_; }
    UIAlertControllerStyle preferredStyle() const { return style_; }

    void addAction(std::shared_ptr<UIAlertAction> action);
    const std::vector<std::shared_ptr<UIAlertAction>>& actions() const { return actions_; }
    std::shared_ptr<UIAlertAction> actionTitled(const std::string& title) const;

    // What a tap on an action's button does: the alert is dismissed (it leaves the glass at once,
    // animated), then the action's handler runs. False for an action that is not enabled, not
    // this alert's, or while the alert is not presented.
    bool pressAction(const std::shared_ptr<UIAlertAction>& action);

private:
    std::optional<std::string> message_;
    UIAlertControllerStyle style_;
    std::vector<std::shared_ptr<UIAlertAction>> actions_;
};
