#pragma once

#include <memory>

class Bundle;

namespace velmaro {

// The framework's own resource bundle (identifier "Velmaro"): its named images and the
// storyboard "Velmaro". Found like any framework bundle (VELMARO_BUNDLE_VELMARO, a path the host
// set, or Velmaro.bundle in the main bundle), else at the resources folder of the build. Made
// once, on first use, from any thread; finding it registers nothing.
const std::shared_ptr<Bundle>& velmaroBundle();

// Sets the framework bundle up, as loading the framework does on the platform: the bundle, and
// the scenes of its storyboard registered with the toolkit. Once per process, from any thread;
// SupportUI::make does it, so a host need not. Before it, the storyboard "Velmaro" has no scenes.
void setUpVelmaroBundle();

}  // namespace velmaro
