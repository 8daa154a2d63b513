#pragma once

#include <memory>
#include <string>

#include "Velmaro/Helpers/SceneKey.h"

class UIView;

namespace velmaro {

class UserAccessViewController;

// The scene "UserAccessViewController" of the storyboard "Velmaro".
class UserAccessViewControllerScene {
public:
    static void registerIn(const std::string& storyboardName);

private:
    // The scene's views, with the screen's outlets connected.
    static std::shared_ptr<UIView> build(SceneKey key, UserAccessViewController& screen);
};

}  // namespace velmaro
