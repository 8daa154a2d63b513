#pragma once

#include <memory>
#include <string>

#include "Velmaro/Helpers/SceneKey.h"

class UIView;

namespace velmaro {

class StartViewController;

// The scene "StartViewController" of the storyboard "Velmaro".
class StartViewControllerScene {
public:
    static void registerIn(const std::string& storyboardName);

private:
    // The scene's views, with the screen's outlets connected.
    static std::shared_ptr<UIView> build(SceneKey key, StartViewController& screen);
};

}  // namespace velmaro
