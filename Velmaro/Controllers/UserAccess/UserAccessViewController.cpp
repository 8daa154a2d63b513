#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"

#include "Velmaro/Storyboard/UserAccessViewControllerScene.h"

void UserAccessViewController::loadView() {
    UserAccessViewControllerScene::loadView(*this);
}
