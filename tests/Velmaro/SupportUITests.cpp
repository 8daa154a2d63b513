#include <gtest/gtest.h>

#include <thread>

#include "Foundation/UserDefaults.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/Controllers/UserAccess/NavigationController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/SupportUI.h"
#include "Velmaro/VelmaroApplication.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;

namespace {

class SupportUIConstructionTest : public SupportUITest {
protected:
    void storeEarlierIdentity() {
        UserDefaults::standard().set("old@acme.example", "extuserName");
        UserDefaults::standard().set("Old", "extfirstName");
        UserDefaults::standard().set("Timer", "extlastName");
        UserDefaults::standard().set("old-token", "endUserTokenString");
    }
    void expectEarlierIdentity() {
        EXPECT_EQ(UserDefaults::standard().string("extuserName"), "old@acme.example");
        EXPECT_EQ(UserDefaults::standard().string("extfirstName"), "Old");
        EXPECT_EQ(UserDefaults::standard().string("extlastName"), "Timer");
        EXPECT_EQ(UserDefaults::standard().string("endUserTokenString"), "old-token");
    }
};

TEST_F(SupportUIConstructionTest, ParametersWithoutUserNameLeaveTheStoredIdentityAlone) {
    storeEarlierIdentity();
    SupportUI::make(nullptr, nullptr, std::nullopt);
    SupportUI::make(nullptr, nullptr, StringDictionary{});
    SupportUI::make(nullptr, nullptr, StringDictionary{{"firstName", "Ann"}, {"endUserToken", "new-token"}});
    expectEarlierIdentity();
}

TEST_F(SupportUIConstructionTest, AUserNameReplacesTheWholeIdentityButNotTheToken) {
    storeEarlierIdentity();
    SupportUI::make(nullptr, nullptr, StringDictionary{{"userName", "ann@acme.example"}, {"firstName", "Ann"}});
    EXPECT_EQ(UserDefaults::standard().string("extuserName"), "ann@acme.example");
    EXPECT_EQ(UserDefaults::standard().string("extfirstName"), "Ann");
    EXPECT_FALSE(UserDefaults::standard().object("extlastName"));  // belonged to the earlier user
    EXPECT_EQ(UserDefaults::standard().string("endUserTokenString"), "old-token");

    SupportUI::make(nullptr, nullptr,
                    StringDictionary{{"userName", ""}, {"lastName", "Lee"}, {"endUserToken", "new-token"}});
    EXPECT_EQ(UserDefaults::standard().string("extuserName"), "");
    EXPECT_FALSE(UserDefaults::standard().object("extfirstName"));
    EXPECT_EQ(UserDefaults::standard().string("extlastName"), "Lee");
    EXPECT_EQ(UserDefaults::standard().string("endUserTokenString"), "new-token");
}

TEST_F(SupportUIConstructionTest, AWindowWithoutAScreenIsKeptAndNothingElseHappens) {
    auto support = SupportUI::make(nullptr, window(), StringDictionary{{"userName", "ann@acme.example"}});
    settle();
    EXPECT_EQ(support->applicationWindowForTesting(), window());
    EXPECT_EQ(support->initialVC(), nullptr);
    EXPECT_EQ(UserDefaults::standard().string("extuserName"), "ann@acme.example");
    EXPECT_EQ(core().callCount("loadConfig"), 0u);
    EXPECT_EQ(core().callCount("createEndUser"), 0u);
}

TEST_F(SupportUIConstructionTest, WithoutAConfigurationNothingIsCheckedOrShown) {
    core().setConfig(std::nullopt);
    auto host = bareHost();
    auto support = SupportUI::make(host, window(), std::nullopt);
    settle();
    EXPECT_EQ(support->initialVC(), host);
    EXPECT_EQ(core().callCount("loadConfig"), 1u);
    EXPECT_EQ(core().callCount("createEndUser"), 0u);
    EXPECT_EQ(host->presentedViewController(), nullptr);
    EXPECT_FALSE(UINavigationBar::appearance().tintColor);
}

TEST_F(SupportUIConstructionTest, TheFirstScreenIsPushedOntoTheHostsNavigationAfterTheInitialiserReturns) {
    core().setConfig(acmeConfig(true));  // no user name known: the user access screen at once
    auto host = hostInNavigation();
    auto support = SupportUI::make(host, window(), std::nullopt);
    EXPECT_EQ(hostNavigation()->viewControllers().size(), 1u);
    EXPECT_EQ(support->applicationWindowForTesting(), window());

    settle();
    ASSERT_EQ(hostNavigation()->viewControllers().size(), 2u);
    auto screen = std::dynamic_pointer_cast<UserAccessViewController>(hostNavigation()->topViewController());
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->isOnGlass());
    EXPECT_EQ(host->presentedViewController(), nullptr);
}

TEST_F(SupportUIConstructionTest, ABareHostScreenPresentsTheFirstScreenInATranslucentNavigationController) {
    core().setConfig(acmeConfig(true));
    auto host = bareHost();
    SupportUI::make(host, window(), std::nullopt);
    EXPECT_EQ(host->presentedViewController(), nullptr);

    settle();
    auto navigation = std::dynamic_pointer_cast<NavigationController>(host->presentedViewController());
    ASSERT_NE(navigation, nullptr);
    EXPECT_TRUE(navigation->navigationBar()->isTranslucent());
    ASSERT_EQ(navigation->viewControllers().size(), 1u);
    auto screen = std::dynamic_pointer_cast<UserAccessViewController>(navigation->topViewController());
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->isOnGlass());
}

// The first screen slides in: pushed or presented animated, so it has not fully appeared until
// the transition has run.
TEST_F(SupportUIConstructionTest, TheFirstScreenArrivesAnimatedWhetherPushedOrPresented) {
    for (bool inNavigation : {true, false}) {
        SCOPED_TRACE(inNavigation ? "pushed" : "presented");
        core().setConfig(acmeConfig(true));
        auto host = inNavigation ? hostInNavigation() : bareHost();
        auto support = SupportUI::make(host, window(), std::nullopt);
        drain();
        auto top = VelmaroApplication::topViewController(window()->rootViewController());
        ASSERT_NE(std::dynamic_pointer_cast<UserAccessViewController>(top), nullptr);
        EXPECT_EQ(top->appearanceState(), UIViewController::AppearanceState::appearing);
        advance(UIViewController::transitionDuration);
        EXPECT_EQ(top->appearanceState(), UIViewController::AppearanceState::appeared);
    }
}

TEST_F(SupportUIConstructionTest, TheFacadeOutlivesTheHostsReferenceUntilItsWorkHasRun) {
    auto host = hostInNavigation();
    std::weak_ptr<SupportUI> weak = SupportUI::make(host, window(), StringDictionary{});
    EXPECT_FALSE(weak.expired());  // held by the registration's completion
    core().setStoredUser(UserModel{"u1", "", "", "", ""});
    UserDefaults::standard().set("t", "u1v3lm4r0t0k3n");
    ASSERT_TRUE(core().deliver("createEndUser", UserModel{"u1", "", "", "", ""}));
    settle();
    EXPECT_NE(std::dynamic_pointer_cast<StartViewController>(hostNavigation()->topViewController()), nullptr);
    EXPECT_TRUE(weak.expired());
}

TEST_F(SupportUIConstructionTest, ScreensMadeOffTheMainThreadAreStillShownFromTheMainQueue) {
    auto host = hostInNavigation();
    core().setConfig(std::nullopt);
    auto support = SupportUI::make(host, window(), std::nullopt);
    std::thread worker([&] { support->showStartController(); });
    worker.join();
    EXPECT_EQ(hostNavigation()->viewControllers().size(), 1u);
    settle();
    EXPECT_NE(std::dynamic_pointer_cast<StartViewController>(hostNavigation()->topViewController()), nullptr);
}

}  // namespace
