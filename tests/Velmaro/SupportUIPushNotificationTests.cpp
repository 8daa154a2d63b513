#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/UIStoryboardTestApi.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/Controllers/Conversation/ConversationListViewController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "Velmaro/SupportUI.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;

namespace {

const char* const mainStoryboard = "Main";

// A host's "Main" storyboard: a navigation controller around its home screen, or the home screen
// alone, as the initial scene.
class PushNotificationTest : public SupportUITest {
protected:
    void SetUp() override {
        SupportUITest::SetUp();
        setUpVelmaroBundle();
        UIStoryboard::registerScene(mainStoryboard, "Home", [this](const UIStoryboard&) {
            auto home = std::make_shared<UIViewController>();
            home->setTitle("Home");
            homes.push_back(home);
            return home;
        });
        UIStoryboard::registerScene(mainStoryboard, "Root", [](const UIStoryboard& storyboard) {
            return UINavigationController::make(storyboard.instantiateViewController("Home"));
        });
        UIStoryboard::setInitialScene(mainStoryboard, "Root");
    }
    void TearDown() override {
        SupportUITest::TearDown();
        UIStoryboardTestApi::unregisterStoryboard(mainStoryboard);
    }

    // What the window shows, bottom to top, by screen.
    std::vector<std::string> stack() const {
        std::vector<std::string> names;
        auto navigation = std::dynamic_pointer_cast<UINavigationController>(window()->rootViewController());
        if (!navigation) return names;
        for (const auto& screen : navigation->viewControllers()) {
            if (std::dynamic_pointer_cast<UserAccessViewController>(screen)) names.push_back("access");
            else if (std::dynamic_pointer_cast<StartViewController>(screen)) names.push_back("start");
            else if (std::dynamic_pointer_cast<ConversationListViewController>(screen)) names.push_back("list");
            else if (std::dynamic_pointer_cast<ChatViewController>(screen)) names.push_back("chat");
            else names.push_back(screen->title().value_or("?"));
        }
        return names;
    }

    static AnyDictionary payload(Any conversationId) {
        return {{"conversationId", std::move(conversationId)}, {"aps", AnyDictionary{{"badge", Any(1)}}}};
    }

    std::vector<std::weak_ptr<UIViewController>> homes;
};

TEST_F(PushNotificationTest, TheChatLandsOnTopOfTheSupportScreensOneTurnLater) {
    core().setStoredUser(UserModel{"user-1", "ann@acme.example", "Ann", "Lee", ""});
    auto support = SupportUI::make(nullptr, window());
    support->handlePushNotification(payload(std::string("c-9")));

    auto root = std::dynamic_pointer_cast<UINavigationController>(window()->rootViewController());
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(window()->isKeyWindow());
    EXPECT_EQ(stack(), (std::vector<std::string>{"Home", "access", "start", "list"}));
    EXPECT_EQ(root->navigationBar()->tintColor(), colorWithHexValue(0xFF0000));  // the configuration's
    auto back = root->navigationItem().backBarButtonItem();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->title(), "");
    EXPECT_FALSE(back->hasAction());

    drain();  // the push is not animated: nothing to wait for
    EXPECT_EQ(stack(), (std::vector<std::string>{"Home", "access", "start", "list", "chat"}));
    auto chat = topScreen<ChatViewController>();
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(chat->appearanceState(), UIViewController::AppearanceState::appeared);
    ASSERT_TRUE(chat->conversation);
    EXPECT_EQ(chat->conversation->id, "c-9");
    EXPECT_EQ(core().lastCall("getConversation")->arguments.at("conversationId").string(), "c-9");

    // Going back walks the support screens; the user access screen loads only when reached.
    auto access = std::dynamic_pointer_cast<UserAccessViewController>(root->viewControllers()[1]);
    ASSERT_NE(access, nullptr);
    EXPECT_FALSE(access->isViewLoaded());
    for (const char* expected : {"list", "start", "access"}) {
        root->popViewController(false);
        settle();
        EXPECT_EQ(stack().back(), expected);
    }
    EXPECT_TRUE(access->isViewLoaded());
}

TEST_F(PushNotificationTest, WithoutAConfigurationTheBarKeepsTheLayersGreen) {
    core().setConfig(std::nullopt);
    SupportUI::make(nullptr, window())->handlePushNotification(payload(std::string("c-9")));
    auto root = std::dynamic_pointer_cast<UINavigationController>(window()->rootViewController());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->navigationBar()->tintColor(), VelmaroColors::VelmaroGreen());
}

TEST_F(PushNotificationTest, TheWholeHierarchyIsReplacedAndAShowingChatIsNotReused) {
    hostInNavigation();
    auto oldChat = instantiateVC<ChatViewController>(*loadStoryboard(Storyboard::Velmaro));
    oldChat->conversation = ConversationModel::fromJson({{"id", std::string("c-9")}});
    hostNavigation()->pushViewController(oldChat, false);
    settle();

    SupportUI::make(nullptr, window())->handlePushNotification(payload(std::string("c-9")));
    settle();
    auto chat = topScreen<ChatViewController>();
    ASSERT_NE(chat, nullptr);
    EXPECT_NE(chat, oldChat);
    EXPECT_EQ(chat->conversation->id, "c-9");
    EXPECT_NE(window()->rootViewController(), hostNavigation());
    EXPECT_EQ(stack().front(), "Home");
    EXPECT_EQ(oldChat->appearanceState(), UIViewController::AppearanceState::disappeared);
    EXPECT_EQ(oldChat->view()->window(), nullptr);
    EXPECT_EQ(core().callCount("getConversation"), 2u);  // the new chat loads for itself
}

TEST_F(PushNotificationTest, ARootThatIsNotANavigationControllerShowsTheHostScreenAlone) {
    UIStoryboard::setInitialScene(mainStoryboard, "Home");
    SupportUI::make(nullptr, window())->handlePushNotification(payload(std::string("c-9")));
    settle();
    ASSERT_EQ(homes.size(), 1u);
    EXPECT_EQ(window()->rootViewController(), homes[0].lock());
    EXPECT_EQ(window()->rootViewController()->presentedViewController(), nullptr);
    EXPECT_EQ(core().callCount("getConversation"), 0u);  // the chat was never shown
    EXPECT_EQ(core().callCount("setConversationSeen"), 0u);
}

// Every silent stop leaves the glass exactly as it was.
struct StopCase {
    const char* name;
    bool window;
    bool mainHasInitialScreen;
    std::optional<Any> conversationId;
};

class PushNotificationStopTest : public PushNotificationTest, public testing::WithParamInterface<StopCase> {};

TEST_P(PushNotificationStopTest, NothingChanges) {
    const auto& stop = GetParam();
    if (!stop.mainHasInitialScreen) {
        UIStoryboardTestApi::unregisterStoryboard(mainStoryboard);
        UIStoryboard::registerScene(mainStoryboard, "Home", [](const UIStoryboard&) {
            return std::make_shared<UIViewController>();
        });
    }
    auto host = hostInNavigation();
    auto support = SupportUI::make(nullptr, stop.window ? window() : nullptr);
    AnyDictionary data{{"title", std::string("New message")}};
    if (stop.conversationId) data["conversationId"] = *stop.conversationId;
    support->handlePushNotification(data);
    settle();
    EXPECT_EQ(window()->rootViewController(), hostNavigation());
    EXPECT_EQ(hostNavigation()->viewControllers(), std::vector<std::shared_ptr<UIViewController>>{host});
    EXPECT_EQ(core().callCount("getConversation"), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    SilentStops, PushNotificationStopTest,
    testing::Values(StopCase{"NoWindow", false, true, Any(std::string("c-9"))},
                    StopCase{"NoInitialScreenInMain", true, false, Any(std::string("c-9"))},
                    StopCase{"NoConversationId", true, true, std::nullopt},
                    StopCase{"ANumberForTheId", true, true, Any(std::int64_t{9})},
                    StopCase{"ADictionaryForTheId", true, true, Any(AnyDictionary{{"id", std::string("c-9")}})}),
    [](const testing::TestParamInfo<StopCase>& stop) { return std::string(stop.param.name); });

}  // namespace
