#include "Velmaro/Controllers/UserAccess/StartViewController.h"

#include "Velmaro/Storyboard/StartViewControllerScene.h"

void StartViewController::loadView() {
    StartViewControllerScene::loadView(*this);
}
