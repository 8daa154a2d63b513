#include "Velmaro/Storyboard/VelmaroStoryboard.h"

#include <mutex>

#include "UIKit/UIStoryboard.h"
#include "Velmaro/Controllers/UserAccess/NavigationController.h"
#include "Velmaro/Storyboard/StartViewControllerScene.h"
#include "Velmaro/Storyboard/Storyboard.h"
#include "Velmaro/Storyboard/UserAccessViewControllerScene.h"

namespace velmaro {

void VelmaroStoryboard::registerScenes() {
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string name = rawValue(Storyboard::Velmaro);
        UIStoryboard::registerScene(name, NavigationController::storyboardIdentifier, [](const UIStoryboard&) {
            return UINavigationController::make<NavigationController>();
        });
        StartViewControllerScene::registerIn(name);
        UserAccessViewControllerScene::registerIn(name);
    });
}

}  // namespace velmaro
