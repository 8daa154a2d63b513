#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "UIKit/UIResponder.h"

class UIEvent;
class UIWindow;

// The application object: its windows (those made visible, held weakly: the host owns them), the
// key window, and action sending through the responder chain. (The keyboard's input click is
// UIDevice's.)
// Main thread only.
class UIApplication : public UIResponder {
public:
    static const std::shared_ptr<UIApplication>& shared();

    std::vector<std::shared_ptr<UIWindow>> windows() const;
    std::shared_ptr<UIWindow> keyWindow() const { return keyWindow_.lock(); }

    // `sendAction:to:from:forEvent:`. The action is a name a responder performs (see
    // UIResponder::performAction). With a target, only the target is asked; without one the
    // first responder of the key window is asked, then each next responder, ending with the
    // application. True when someone performed it.
    bool sendAction(const std::string& action, const std::shared_ptr<UIResponder>& target,
                    const std::shared_ptr<UIResponder>& sender, const std::shared_ptr<UIEvent>& event);

    // Every screen in every window (containers, children and presented screens) hears
    // didReceiveMemoryWarning.
    void sendMemoryWarning();

    UIApplication() = default;

private:
    friend class UIWindow;
    void windowBecameVisible(const std::shared_ptr<UIWindow>& window);
    void windowBecameKey(const std::shared_ptr<UIWindow>& window);

    std::vector<std::weak_ptr<UIWindow>> windows_;
    std::weak_ptr<UIWindow> keyWindow_;
};
