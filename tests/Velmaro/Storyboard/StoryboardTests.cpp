#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

#include "UIKit/UIImage.h"
#include "UIKit/UIStoryboard.h"
#include "Velmaro/Controllers/UserAccess/NavigationController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "support/Platform/MainLoopTest.h"

using namespace velmaro;

namespace {

class NoSuchScreen : public UIViewController, public StoryboardIdentifiable {
public:
    static constexpr const char* storyboardIdentifier = "NoSuchScreen";
};

// A screen whose identifier names a scene of another class.
class Impostor : public UIViewController, public StoryboardIdentifiable {
public:
    static constexpr const char* storyboardIdentifier = "StartViewController";
};

// Only a scene being built connects outlets: nothing else can make a key, and an outlet cannot be
// assigned, so a screen's outlets are readable by all and writable by its scene alone.
static_assert(!std::is_default_constructible_v<SceneKey>);
static_assert(!std::is_copy_assignable_v<Outlet<UIButton>>);
static_assert(!std::is_assignable_v<Outlet<UIButton>&, std::shared_ptr<UIButton>>);

class StoryboardTest : public MainLoopTest {
protected:
    void SetUp() override {
        MainLoopTest::SetUp();
        setUpVelmaroBundle();
    }
};

TEST_F(StoryboardTest, OnlyTheLayersNameIsAStoryboard) {
    EXPECT_EQ(rawValue(Storyboard::Velmaro), "Velmaro");
    EXPECT_EQ(storyboardFromRawValue("Velmaro"), Storyboard::Velmaro);
    EXPECT_EQ(storyboardFromRawValue("velmaro"), std::nullopt);
    EXPECT_EQ(storyboardFromRawValue(""), std::nullopt);
}

TEST_F(StoryboardTest, ScreensComeFreshFromTheirScenes) {
    auto storyboard = loadStoryboard(Storyboard::Velmaro);
    EXPECT_EQ(storyboard->name(), "Velmaro");
    EXPECT_EQ(storyboard->bundle(), velmaroBundle());
    auto start = instantiateVC<StartViewController>(*storyboard);
    EXPECT_NE(start, instantiateVC<StartViewController>(*storyboard));
    EXPECT_EQ(start->storyboard(), storyboard);
    EXPECT_NE(instantiateVC<UserAccessViewController>(*storyboard), nullptr);
    EXPECT_NE(instantiateVC<NavigationController>(*storyboard), nullptr);
}

TEST_F(StoryboardTest, TheBundleIsMadeOnceAndHoldsTheNamedImages) {
    EXPECT_EQ(velmaroBundle(), velmaroBundle());
    for (const char* name : {"AGENT", "upArrow", "downArrow", "leftArrow", "rightArrow", "christmasStar",
                             "christmasStarFilled"}) {
        auto image = UIImage::named(name, velmaroBundle());
        ASSERT_NE(image, nullptr) << name;
        EXPECT_GT(image->size().width, 0) << name;
    }
}

TEST_F(StoryboardTest, TheStartSceneConnectsEveryOutlet) {
    auto start = instantiateVC<StartViewController>(*loadStoryboard(Storyboard::Velmaro));
    start->view();
    EXPECT_TRUE(start->titleLabel && start->titleAvatar && start->vWSmileyContainer && start->smiley &&
                start->smileyLabel && start->vwSmile && start->settingsButton && start->vwUnreadNotifications &&
                start->tableView && start->btnNotificationCount);
    EXPECT_TRUE(start->notificationsViewTopConstraint && start->tableViewTopConstraint);
    EXPECT_EQ(start->tableViewTopConstraint->firstItem(), start->tableView.get());
    EXPECT_EQ(start->btnReportIssue->title(UIControlStateNormal), "Contact agent");
    EXPECT_EQ(start->btnToggleNotificationsTable->title(UIControlStateNormal), "Show notifications");
    ASSERT_NE(start->btnToggleDirection->image(UIControlStateNormal), nullptr);
    EXPECT_EQ(start->btnToggleDirection->image(UIControlStateNormal)->name(), "upArrow");
    EXPECT_TRUE(start->dismissButton->isHidden());
}

TEST_F(StoryboardTest, TheUserAccessSceneHasThreeFieldsAndAConfirmButton) {
    auto access = instantiateVC<UserAccessViewController>(*loadStoryboard(Storyboard::Velmaro));
    access->view();
    EXPECT_TRUE(access->titleLabel && access->titleAvatar);
    auto root = access->view();
    for (const auto& field : {access->fldUsernameForTesting(), access->fldFirstName, access->fldLastName}) {
        ASSERT_TRUE(field);
        EXPECT_TRUE(field.get()->isDescendantOf(root.get()));
    }
    ASSERT_TRUE(access->btnConfirm);
    EXPECT_TRUE(access->btnConfirm.get()->isDescendantOf(root.get()));
}

TEST_F(StoryboardTest, EveryScreenFromTheStoryboardHasItsSceneAndAPlainScreenHasNone) {
    auto storyboard = loadStoryboard(Storyboard::Velmaro);
    EXPECT_EQ(storyboard->sceneIdentifiers(),
              (std::vector<std::string>{"AddConversationViewController", "ChatViewController",
                                        "ConversationListViewController", "NavigationController",
                                        "StartViewController", "UserAccessViewController",
                                        "UserDetailsViewController"}));
    // The scene is the storyboard's, not the class's: the same class made directly is bare.
    auto bare = std::make_shared<StartViewController>();
    EXPECT_TRUE(bare->view()->subviews().empty());
    EXPECT_FALSE(bare->btnReportIssue);
    auto built = instantiateVC<StartViewController>(*storyboard);
    EXPECT_FALSE(built->isViewLoaded());  // the scene runs when the view is first asked for
    EXPECT_FALSE(built->view()->subviews().empty());
}

using StoryboardDeathTest = StoryboardTest;

TEST_F(StoryboardDeathTest, AMissingSceneStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto storyboard = loadStoryboard(Storyboard::Velmaro);
    EXPECT_DEATH(instantiateVC<NoSuchScreen>(*storyboard),
                 "Couldn\u2019t instantiate view controller with identifier NoSuchScreen");
    EXPECT_DEATH(instantiateVC<Impostor>(*storyboard),
                 "Couldn\u2019t instantiate view controller with identifier StartViewController");
}

// Each death test runs in a fresh process, so nothing has set the bundle up there: finding the
// bundle or loading the storyboard must not register the scenes by themselves.
using StoryboardSetUpDeathTest = MainLoopTest;

TEST_F(StoryboardSetUpDeathTest, UntilTheBundleIsSetUpTheStoryboardHasNoScenes) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            EXPECT_NE(velmaroBundle(), nullptr);
            instantiateVC<StartViewController>(*loadStoryboard(Storyboard::Velmaro));
        },
        "Couldn\u2019t instantiate view controller with identifier StartViewController");
    EXPECT_EXIT(
        {
            auto storyboard = loadStoryboard(Storyboard::Velmaro);
            bool emptyBefore = storyboard->sceneIdentifiers().empty();
            setUpVelmaroBundle();
            setUpVelmaroBundle();
            std::exit(emptyBefore && storyboard->sceneIdentifiers().size() == 7 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
