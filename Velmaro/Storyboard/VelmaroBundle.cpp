#include "Velmaro/Storyboard/VelmaroBundle.h"

#include "Foundation/Bundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"

namespace velmaro {

#ifndef VELMARO_RESOURCES_DIR
#error "VELMARO_RESOURCES_DIR must name the folder of the framework's resources"
#endif

const std::shared_ptr<Bundle>& velmaroBundle() {
    // A function-local static: made once even when threads race for it.
    static const std::shared_ptr<Bundle> bundle = [] {
        VelmaroStoryboard::registerScenes();
        if (auto found = Bundle::forIdentifier("Velmaro")) return found;
        return std::make_shared<Bundle>(VELMARO_RESOURCES_DIR, std::string("Velmaro"));
    }();
    return bundle;
}

}  // namespace velmaro
