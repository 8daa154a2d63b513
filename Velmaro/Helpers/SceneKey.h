#pragma once

namespace velmaro {

// Proof that a scene is being built: what connecting an outlet asks for. Only SceneRegistrar
// makes one, and hands it to the view builder of the scene it registered; screens never do, so
// nothing but a scene wires a screen's outlets.
class SceneKey {
public:
    SceneKey(const SceneKey&) = default;

private:
    friend class SceneRegistrar;
    SceneKey() = default;
};

}  // namespace velmaro
