#include "Demo/HostStoryboard.h"

#include "Demo/HostHomeViewController.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIStoryboard.h"

void HostStoryboard::registerScenes() {
    UIStoryboard::registerScene(name, "HomeViewController",
                                [](const UIStoryboard&) { return std::make_shared<HostHomeViewController>(); });
    UIStoryboard::registerScene(name, "RootNavigationController", [](const UIStoryboard& storyboard) {
        return UINavigationController::make(storyboard.instantiateViewController("HomeViewController"));
    });
    UIStoryboard::setInitialScene(name, "RootNavigationController");
}

std::shared_ptr<UIViewController> HostStoryboard::instantiateInitial() {
    return UIStoryboard::make(name)->instantiateInitialViewController();
}
