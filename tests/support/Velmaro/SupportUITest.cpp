#include "support/Velmaro/SupportUITest.h"

#include "UIKit/UITabBarController.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/Helpers/UIExtensions.h"

namespace velmaro {

void SupportUITest::SetUp() {
    UIKitTest::SetUp();
    core_ = RecordingCore::install();
    core_->setConfig(acmeConfig());
}

void SupportUITest::TearDown() {
    UIKitTest::TearDown();
    installCoreLibrary(nullptr);
}

Config SupportUITest::acmeConfig(bool userNameRequired) {
    Config config;
    config.userNameRequired = userNameRequired;
    config.tenantId = "acme";
    config.name = "Acme";
    config.primaryColor = colorWithHexValue(0xFF0000);
    return config;
}

std::shared_ptr<UIViewController> SupportUITest::hostInNavigation() {
    auto host = std::make_shared<UIViewController>();
    hostNavigation_ = UINavigationController::make(host);
    window()->setRootViewController(hostNavigation_);
    window()->makeKeyAndVisible();
    return host;
}

std::shared_ptr<UIViewController> SupportUITest::bareHost() {
    auto host = std::make_shared<UIViewController>();
    window()->setRootViewController(host);
    window()->makeKeyAndVisible();
    return host;
}

void SupportUITest::settle() {
    drain();
    advance(UIViewController::transitionDuration);
}

std::shared_ptr<UIViewController> SupportUITest::topOfWindow() const {
    auto top = window()->rootViewController();
    while (top) {
        // A presentation covers whatever its presenter (or the presenter's container) shows.
        if (auto presented = top->presentedViewController()) {
            top = presented;
        } else if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(top);
                   navigation && navigation->topViewController()) {
            top = navigation->topViewController();
        } else if (auto tabs = std::dynamic_pointer_cast<UITabBarController>(top); tabs && tabs->selectedViewController()) {
            top = tabs->selectedViewController();
        } else {
            break;
        }
    }
    return top;
}

}  // namespace velmaro
