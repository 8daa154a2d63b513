#pragma once

#include <functional>
#include <memory>

#include "UIKit/UINavigationController.h"
#include "UIKit/UIViewController.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "support/Platform/UIKitTest.h"
#include "support/Velmaro/RecordingCore.h"

namespace velmaro {

// The customer most screen tests sign in.
inline const UserModel ann{"user-1", "Ann", "Lee", "", "ann@acme.example"};

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

    // A fresh screen of the "Velmaro" storyboard pushed over a new host screen, as a row or a
    // link pushes it; `configure` runs before it is shown. Answered once the push has settled.
    template <StoryboardScene T>
    std::shared_ptr<T> pushScene(const std::function<void(T&)>& configure = nullptr, bool animated = false) {
        setUpVelmaroBundle();  // as the facade would have
        hostInNavigation();
        auto screen = instantiateVC<T>(*loadStoryboard(Storyboard::Velmaro));
        if (configure) configure(*screen);
        hostNavigation_->pushViewController(screen, animated);
        settle();
        return screen;
    }

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
