#include <memory>
#include <string>
#include <vector>

#include "UIKit/UIApplication.h"
#include "UIKit/UIEvent.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"
#include "support/Platform/UIKitTest.h"

namespace {

class UIApplicationTest : public UIKitTest {};

TEST_F(UIApplicationTest, AnActionGoesToItsTargetOrUpTheResponderChain) {
    auto screen = std::make_shared<UIViewController>();
    window()->setRootViewController(screen);
    window()->makeKeyAndVisible();
    auto field = UIView::make(CGRect{0, 0, 10, 10});
    screen->view()->addSubview(field);

    std::vector<std::string> heard;
    std::shared_ptr<UIResponder> sentBy;
    screen->setNamedAction("donePressed:", [&](const std::shared_ptr<UIResponder>& sender, const auto& event) {
        heard.push_back(event ? "screen with event" : "screen");
        sentBy = sender;
    });
    auto& application = *UIApplication::shared();
    auto event = std::make_shared<UIEvent>();
    EXPECT_TRUE(application.sendAction("donePressed:", screen, field, event));
    EXPECT_EQ(sentBy, field);
    // A target that does not know the action is not passed over for the chain.
    EXPECT_FALSE(application.sendAction("donePressed:", field, field, event));
    // No target: from the key window's first responder (none here: the window) upwards; a
    // screen's view leads to the screen.
    EXPECT_FALSE(application.sendAction("unknown:", nullptr, field, nullptr));
    field->setNamedAction("ping", [&](const auto&, const auto&) { heard.push_back("field"); });
    EXPECT_TRUE(application.sendAction("ping", field, nullptr, nullptr));
    EXPECT_EQ(screen->view()->nextResponder(), screen);
    EXPECT_EQ(heard, (std::vector<std::string>{"screen with event", "field"}));
}

TEST_F(UIApplicationTest, VisibleWindowsAreListedAndTheKeyWindowIsTheLastMadeKey) {
    auto other = UIView::make<UIWindow>(CGRect{0, 0, 100, 100});
    window()->makeKeyAndVisible();
    other->makeKeyAndVisible();
    auto windows = UIApplication::shared()->windows();
    EXPECT_NE(std::find(windows.begin(), windows.end(), window()), windows.end());
    EXPECT_NE(std::find(windows.begin(), windows.end(), other), windows.end());
    EXPECT_TRUE(other->isKeyWindow());
    EXPECT_FALSE(window()->isKeyWindow());
    window()->makeKey();
    EXPECT_TRUE(window()->isKeyWindow());
}

}  // namespace
