#include "Velmaro/Storyboard/VelmaroBundle.h"

#include <mutex>

#include "Foundation/Bundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"

namespace velmaro {

#ifndef VELMARO_RESOURCES_DIR
#error "VELMARO_RESOURCES_DIR must name the folder of the framework's resources"
#endif

const std::shared_ptr<Bundle>& velmaroBundle() {
    // A function-local static: made once even when threads race for it.
    static const std::shared_ptr<Bundle> bundle = [] {
        if (auto found = Bundle::forIdentifier("Velmaro")) return found;
        return std::make_shared<Bundle>(VELMARO_RESOURCES_DIR, std::string("Velmaro"));
    }();
    return bundle;
}

void setUpVelmaroBundle() {
    static std::once_flag once;
    std::call_once(once, [] {
        velmaroBundle();
        VelmaroStoryboard::registerScenes();
    });
}

}  // namespace velmaro
