#pragma once

#include "UIKit/UINavigationController.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"

namespace velmaro {

// The layer's navigation container: the toolkit's, under a class of the layer. Make one with
// UINavigationController::make<NavigationController>(root).
class NavigationController : public UINavigationController, public StoryboardIdentifiable {
public:
    static constexpr const char* storyboardIdentifier = "NavigationController";
};

}  // namespace velmaro
