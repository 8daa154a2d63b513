#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class Bundle;

namespace velmaro {

// The framework's own resource bundle (identifier "Velmaro"): its named images and the
// storyboard "Velmaro". Looked for, first found wins: VELMARO_BUNDLE_VELMARO or a path the host
// set (either one alone, when given); else Velmaro.bundle in the main bundle, then
// share/velmaro/Velmaro.bundle beside the folder of the binary that holds the layer (the installed
// layout), then the copy the program was built against (an installed package's data directory, or
// the build tree). Made once, on first use, from any thread; finding it registers nothing.
// Throws VelmaroBundleNotFound when no place has it; a later call looks again.
const std::shared_ptr<Bundle>& velmaroBundle();

// The framework bundle is not installed where the layer looks; the message names every place.
class VelmaroBundleNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One place the framework bundle may be, and why it is looked at there.
struct VelmaroBundlePlace {
    std::filesystem::path path;
    std::string reason;
};

// The places velmaroBundle() looks at, in order, for a layer held by a binary in that folder.
std::vector<VelmaroBundlePlace> velmaroBundlePlaces(const std::filesystem::path& layerBinaryDirectory);
// The folder of the binary that holds the layer: the host program, or a shared library of it.
std::filesystem::path layerBinaryDirectory();
// The first place that is a directory, as the bundle "Velmaro"; VelmaroBundleNotFound otherwise.
std::shared_ptr<Bundle> velmaroBundleFrom(const std::vector<VelmaroBundlePlace>& places);

// Where the framework bundle of the package or build tree a program was built against is. The
// build adds a source that calls this before main to every program linking the layer. Thread-safe.
bool recordBuiltAgainstBundle(const char* path);

}  // namespace velmaro
