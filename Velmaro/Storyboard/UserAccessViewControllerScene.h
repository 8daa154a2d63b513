#pragma once

#include <string>

namespace velmaro {

class UserAccessViewController;

// The scene "UserAccessViewController" of the storyboard "Velmaro".
class UserAccessViewControllerScene {
public:
    static void registerIn(const std::string& storyboardName);
    // Builds the scene's views into the screen and connects its outlets.
    static void loadView(UserAccessViewController& screen);
};

}  // namespace velmaro
