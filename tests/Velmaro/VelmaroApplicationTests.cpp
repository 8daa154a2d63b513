#include <gtest/gtest.h>

#include "UIKit/TextAttributes.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITabBarController.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/SupportUI.h"
#include "Velmaro/VelmaroApplication.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;

namespace {

const UIColor red = UIColor(1, 0, 0, 1);

class ThemingTest : public SupportUITest {
protected:
    // Bars, items and buttons made now, as a screen would make them.
    void expectNewElementsStyledWith(const UIColor& colour) {
        auto bar = UIView::make<UINavigationBar>();
        EXPECT_EQ(bar->tintColor(), colour);
        EXPECT_EQ(bar->titleTextAttributes(), (TextAttributes{{NSForegroundColorAttributeName, colour}}));
        auto item = std::make_shared<UIBarButtonItem>(std::optional<std::string>("Item"), UIBarButtonItem::Style::plain);
        EXPECT_EQ(item->titleTextAttributes(UIControlStateNormal),
                  (TextAttributes{{NSForegroundColorAttributeName, colour}}));

        auto inBar = UIView::make<UIButton>();
        bar->addSubview(inBar);
        window()->addSubview(bar);
        EXPECT_EQ(inBar->tintColor(), colour);
        bar->removeFromSuperview();
    }
};

TEST_F(ThemingTest, TheTenantsColourStylesWhatIsMadeAfterTheFacade) {
    auto before = UIView::make<UINavigationBar>();
    auto host = hostInNavigation();
    SupportUI::make(host, window(), std::nullopt);
    expectNewElementsStyledWith(red);
    EXPECT_NE(before->tintColor(), red);  // made before: left alone
}

TEST_F(ThemingTest, LeavingBringsBackWhite) {
    VelmaroApplication::utilizePrimaryColor(red);
    VelmaroApplication::utilizePrimaryColor(appPrimaryColor());
    EXPECT_EQ(appPrimaryColor(), UIColor::white());
    expectNewElementsStyledWith(UIColor::white());
}

TEST_F(ThemingTest, ButtonsOutsideNavigationBarsKeepTheirTint) {
    VelmaroApplication::utilizePrimaryColor(red);
    auto plain = UIView::make<UIButton>();
    window()->addSubview(plain);
    EXPECT_FALSE(plain->hasOwnTintColor());
    EXPECT_NE(plain->tintColor(), red);
}

// ----- The top screen

class TopViewControllerTest : public SupportUITest {};

TEST_F(TopViewControllerTest, FollowsContainersAndPresentations) {
    EXPECT_EQ(VelmaroApplication::topViewController(nullptr), nullptr);

    auto first = std::make_shared<UIViewController>();
    auto second = std::make_shared<UIViewController>();
    auto navigation = UINavigationController::make(first);
    navigation->pushViewController(second, false);
    auto other = std::make_shared<UIViewController>();
    auto tabs = std::make_shared<UITabBarController>();
    tabs->setViewControllers({other, navigation}, false);
    tabs->setSelectedViewController(navigation);
    window()->setRootViewController(tabs);
    window()->makeKeyAndVisible();
    EXPECT_EQ(VelmaroApplication::topViewController(tabs), second);
    EXPECT_EQ(VelmaroApplication::topViewController(other), other);

    auto presented = std::make_shared<UIViewController>();
    second->present(presented, false);
    EXPECT_EQ(VelmaroApplication::topViewController(tabs), presented);
    EXPECT_EQ(VelmaroApplication::topViewController(UINavigationController::make()), nullptr);
}

TEST_F(TopViewControllerTest, ATabBarWithNoSelectedScreenIsItselfTheTopOrWhatItPresents) {
    auto tabs = std::make_shared<UITabBarController>();
    window()->setRootViewController(tabs);
    window()->makeKeyAndVisible();
    EXPECT_EQ(VelmaroApplication::topViewController(tabs), tabs);
    auto presented = std::make_shared<UIViewController>();
    tabs->present(presented, false);
    EXPECT_EQ(VelmaroApplication::topViewController(tabs), presented);
}

}  // namespace
