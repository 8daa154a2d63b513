#include "Velmaro/Storyboard/VelmaroStoryboard.h"

#include <mutex>

#include "UIKit/UIStoryboard.h"
#include "Velmaro/Controllers/UserAccess/NavigationController.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/AddConversationViewControllerScene.h"
#include "Velmaro/Storyboard/ChatViewControllerScene.h"
#include "Velmaro/Storyboard/ConversationListViewControllerScene.h"
#include "Velmaro/Storyboard/StartViewControllerScene.h"
#include "Velmaro/Storyboard/UserAccessViewControllerScene.h"
#include "Velmaro/Storyboard/UserDetailsViewControllerScene.h"

namespace velmaro {

void VelmaroStoryboard::registerScenes() { registerScenes(rawValue(Storyboard::Velmaro)); }

void VelmaroStoryboard::registerScenes(const std::string& name) {
    // The navigation container has no view of its own to build.
    UIStoryboard::registerScene(name, NavigationController::storyboardIdentifier, [](const UIStoryboard&) {
        return UINavigationController::make<NavigationController>();
    });
    ChatViewControllerScene::registerIn(name);
    ConversationListViewControllerScene::registerIn(name);
    StartViewControllerScene::registerIn(name);
    UserAccessViewControllerScene::registerIn(name);
    AddConversationViewControllerScene::registerIn(name);
    UserDetailsViewControllerScene::registerIn(name);
}

void setUpVelmaroBundle() {
    static std::once_flag once;
    std::call_once(once, [] {
        velmaroBundle();
        VelmaroStoryboard::registerScenes();
    });
}

}  // namespace velmaro
