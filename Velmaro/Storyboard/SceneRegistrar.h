#pragma once

#include <memory>
#include <string>

#include "UIKit/UIStoryboard.h"
#include "UIKit/UIView.h"
#include "Velmaro/Storyboard/SceneKey.h"
#include "Velmaro/Storyboard/StoryboardIdentifiable.h"

namespace velmaro {

// Registers scenes whose screens know nothing of them: the storyboard hands each screen it makes
// the scene's view builder, and the screen's loadView runs it with a key for the outlets. A view
// builder gets the screen it builds for and must not keep it.
class SceneRegistrar {
public:
    template <StoryboardScene Screen>
    using ViewBuilder = std::shared_ptr<UIView> (*)(SceneKey, Screen&);

    // The scene named after Screen in the storyboard: a fresh Screen whose view the builder makes.
    template <StoryboardScene Screen>
    static void add(const std::string& storyboardName, ViewBuilder<Screen> build) {
        UIStoryboard::registerScene(
            storyboardName, Screen::storyboardIdentifier,
            [](const UIStoryboard&) { return std::make_shared<Screen>(); },
            // The storyboard gives this builder only to the screens the maker above made.
            [build](UIViewController& screen) { return build(SceneKey{}, static_cast<Screen&>(screen)); });
    }
};

}  // namespace velmaro
