#pragma once

#include <memory>
#include <string>

#include "Velmaro/Helpers/SceneKey.h"

class UIView;

namespace velmaro {

class UserDetailsViewController;

// The scene "UserDetailsViewController" of the storyboard "Velmaro": the profile.
class UserDetailsViewControllerScene {
public:
    static void registerIn(const std::string& storyboardName);

private:
    // The scene's views, with the screen's outlets connected.
    static std::shared_ptr<UIView> build(SceneKey key, UserDetailsViewController& screen);
};

}  // namespace velmaro
