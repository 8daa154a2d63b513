#include "support/Velmaro/SupportUITest.h"

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

}  // namespace velmaro
