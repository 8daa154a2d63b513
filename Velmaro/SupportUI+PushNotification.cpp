// The facade turning a push notification into the chat of its conversation.

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/Controllers/Conversation/ConversationListViewController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/SupportUI.h"

namespace velmaro {

namespace {

// The host application's own storyboard, from its main bundle.
constexpr const char* hostStoryboardName = "Main";

}  // namespace

void SupportUI::handlePushNotification(const AnyDictionary& pushNotificationData) {
    if (!applicationWindow_) return;
    auto root = UIStoryboard::make(hostStoryboardName)->instantiateInitialViewController();
    if (!root) return;
    auto conversationId = stringValue(pushNotificationData, "conversationId");
    if (!conversationId) return;

    // Nothing of the old hierarchy is reused, not even a chat of the same conversation.
    applicationWindow_->setRootViewController(root);
    applicationWindow_->makeKeyAndVisible();

    auto storyboard = loadStoryboard(Storyboard::Velmaro);
    auto start = instantiateVC<StartViewController>(*storyboard);
    auto access = instantiateVC<UserAccessViewController>(*storyboard);
    auto list = instantiateVC<ConversationListViewController>(*storyboard);
    auto chat = instantiateVC<ChatViewController>(*storyboard);
    chat->conversation = ConversationModel::fromJson({{"id", *conversationId}});

    auto navigation = std::dynamic_pointer_cast<UINavigationController>(root);
    if (!navigation) return;  // the host's screen alone; the support screens go
    navigation->navigationBar()->setTintColor(VelmaroColors::VelmaroGreen());
    if (auto config = Config::loadConfig()) navigation->navigationBar()->setTintColor(uiColor(config->primaryColor));
    navigation->navigationItem().setBackBarButtonItem(
        std::make_shared<UIBarButtonItem>(std::string(), UIBarButtonItem::Style::plain));
    auto screens = navigation->viewControllers();
    screens.insert(screens.end(), {access, start, list});
    navigation->setViewControllers(std::move(screens), false);
    deferToNextTurn([navigation, chat] { navigation->pushViewController(chat, false); });
}

}  // namespace velmaro
