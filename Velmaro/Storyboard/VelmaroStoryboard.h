#pragma once

#include <string>

namespace velmaro {

// The storyboard "Velmaro": every scene of the layer, by class name, in the toolkit's registry.
// A new scene joins the layer by being registered here.
class VelmaroStoryboard {
public:
    // Under the storyboard's own name; setUpVelmaroBundle() does it, once.
    static void registerScenes();
    // Under another name: a copy whose scenes can be listed without setting the bundle up.
    static void registerScenes(const std::string& storyboardName);
};

// Sets the framework bundle up, as loading the framework does on the platform: the bundle, and
// the scenes of its storyboard registered with the toolkit. Once per process, from any thread;
// SupportUI::make does it, so a host need not. Before it, the storyboard "Velmaro" has no scenes.
// Throws VelmaroBundleNotFound like velmaroBundle().
void setUpVelmaroBundle();

}  // namespace velmaro
