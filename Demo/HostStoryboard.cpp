#include "Demo/HostStoryboard.h"

#include "Demo/HostHomeViewController.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIStoryboard.h"

void HostStoryboard::registerScenes(std::function<void(HostHomeViewController&)> prepareHome) {
    UIStoryboard::registerScene(name, "HomeViewController", [prepareHome](const UIStoryboard&) {
        auto home = std::make_shared<HostHomeViewController>();
        if (prepareHome) prepareHome(*home);
        return home;
    });
    UIStoryboard::registerScene(name, "RootNavigationController", [](const UIStoryboard& storyboard) {
        return UINavigationController::make(storyboard.instantiateViewController("HomeViewController"));
    });
    UIStoryboard::setInitialScene(name, "RootNavigationController");
}

std::shared_ptr<UIViewController> HostStoryboard::instantiateInitial() {
    return UIStoryboard::make(name)->instantiateInitialViewController();
}
