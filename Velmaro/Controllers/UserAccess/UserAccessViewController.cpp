#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"

#include "Velmaro/Storyboard/UserAccessViewControllerScene.h"

namespace velmaro {

void UserAccessViewController::loadView() {
    UserAccessViewControllerScene::loadView(*this);
}

}  // namespace velmaro
