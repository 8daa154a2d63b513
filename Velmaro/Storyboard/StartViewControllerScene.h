#pragma once

#include <string>

namespace velmaro {

class StartViewController;

// The scene "StartViewController" of the storyboard "Velmaro".
class StartViewControllerScene {
public:
    static void registerIn(const std::string& storyboardName);
    // Builds the scene's views into the screen and connects its outlets.
    static void loadView(StartViewController& screen);
};

}  // namespace velmaro
