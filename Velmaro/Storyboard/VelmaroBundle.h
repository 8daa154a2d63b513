#pragma once

#include <memory>

class Bundle;

namespace velmaro {

// The framework's own resource bundle (identifier "Velmaro"): its named images and the
// storyboard "Velmaro". Made once, on first use, from any thread; that first use also registers
// the storyboard's scenes. Found like any framework bundle (VELMARO_BUNDLE_VELMARO, a path the
// host set, or Velmaro.bundle in the main bundle), else at the resources folder of the build.
const std::shared_ptr<Bundle>& velmaroBundle();

}  // namespace velmaro
