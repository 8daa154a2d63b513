#pragma once

namespace velmaro {

// The storyboard "Velmaro": every scene of the layer, by class name, in the toolkit's registry.
class VelmaroStoryboard {
public:
    // Idempotent; velmaroBundle() calls it when the bundle is first made.
    static void registerScenes();
};

}  // namespace velmaro
