#pragma once

#include <memory>

#include "UIKit/UINavigationController.h"
#include "UIKit/UIViewController.h"
#include "support/Velmaro/RecordingCore.h"
#include "support/Platform/UIKitTest.h"

namespace velmaro {

// UIKitTest plus a recording core with a tenant configuration (name "Acme", red, no user name
// required) and a host screen on the window: inside a navigation controller, or bare.
class SupportUITest : public UIKitTest {
protected:
    void SetUp() override;
    void TearDown() override;

    RecordingCore& core() { return *core_; }
    static Config acmeConfig(bool userNameRequired = false);

    // Puts a fresh host screen on the window and answers it.
    std::shared_ptr<UIViewController> hostInNavigation();
    std::shared_ptr<UIViewController> bareHost();
    std::shared_ptr<UINavigationController> hostNavigation() const { return hostNavigation_; }
    // Runs the main queue and lets the screen transitions it started finish.
    void settle();

    // The screen on top of the window's stack (through presentations, navigation and tabs) if
    // it is a T, else null. Walked here rather than by the layer's own top-screen utility, which
    // has tests of its own.
    template <class T = UIViewController>
    std::shared_ptr<T> topScreen() const {
        return std::dynamic_pointer_cast<T>(topOfWindow());
    }

private:
    std::shared_ptr<UIViewController> topOfWindow() const;

    std::shared_ptr<RecordingCore> core_;
    std::shared_ptr<UINavigationController> hostNavigation_;
};

}  // namespace velmaro
