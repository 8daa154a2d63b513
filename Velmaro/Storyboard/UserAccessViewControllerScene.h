#pragma once

#include <string>

class UserAccessViewController;

// The scene "UserAccessViewController" of the storyboard "Velmaro".
class UserAccessViewControllerScene {
public:
    static void registerIn(const std::string& storyboardName);
    // Builds the scene's views into the screen and connects its outlets.
    static void loadView(UserAccessViewController& screen);
};
