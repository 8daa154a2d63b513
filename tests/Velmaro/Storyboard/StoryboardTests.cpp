#include <gtest/gtest.h>

#include "UIKit/UIImage.h"
#include "UIKit/UIStoryboard.h"
#include "Velmaro/Controllers/UserAccess/NavigationController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/Storyboard/Storyboard.h"
#include "Velmaro/Storyboard/StoryboardIdentifiable.h"
#include "Velmaro/Storyboard/VelmaroBundle.h"
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

using StoryboardTest = MainLoopTest;

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
    EXPECT_FALSE(start->notificationsViewTopConstraint.expired());
    EXPECT_FALSE(start->tableViewTopConstraint.expired());
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

using StoryboardDeathTest = StoryboardTest;

TEST_F(StoryboardDeathTest, AMissingSceneStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto storyboard = loadStoryboard(Storyboard::Velmaro);
    EXPECT_DEATH(instantiateVC<NoSuchScreen>(*storyboard),
                 "Couldn\u2019t instantiate view controller with identifier NoSuchScreen");
    EXPECT_DEATH(instantiateVC<Impostor>(*storyboard),
                 "Couldn\u2019t instantiate view controller with identifier StartViewController");
}

}  // namespace
