#include "Velmaro/Controllers/UserAccess/StartViewController.h"

#include "Velmaro/Storyboard/StartViewControllerScene.h"

namespace velmaro {

void StartViewController::loadView() {
    StartViewControllerScene::loadView(*this);
}

}  // namespace velmaro
