#include "Velmaro/Helpers/VelmaroBundle.h"

#include <dlfcn.h>

#include <mutex>
#include <system_error>

#include "Foundation/Bundle.h"

namespace velmaro {

namespace {

struct BuiltAgainst {
    std::mutex mutex;
    std::vector<std::filesystem::path> paths;
};

// Filled during static initialisation, from sources of other translation units: made on first use.
BuiltAgainst& builtAgainst() {
    static BuiltAgainst instance;
    return instance;
}

bool isDirectory(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

bool recordBuiltAgainstBundle(const char* path) {
    if (path == nullptr || *path == '\0') return false;
    auto& recorded = builtAgainst();
    std::lock_guard lock(recorded.mutex);
    std::filesystem::path place(path);
    for (const auto& known : recorded.paths)
        if (known == place) return true;
    recorded.paths.push_back(std::move(place));
    return true;
}

std::filesystem::path layerBinaryDirectory() {
    // The address of this function lies in the program when the layer is linked statically and
    // in the shared library otherwise: either way, next to where the installed bundle is.
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&layerBinaryDirectory), &info) != 0 && info.dli_fname != nullptr &&
        *info.dli_fname != '\0') {
        std::error_code error;
        auto binary = std::filesystem::canonical(info.dli_fname, error);
        if (!error) return binary.parent_path();
    }
    std::error_code error;
    auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : executable.parent_path();
}

std::vector<VelmaroBundlePlace> velmaroBundlePlaces(const std::filesystem::path& binaryDirectory) {
    const auto chosen = Bundle::locationForIdentifier("Velmaro");
    // A place somebody chose is the only one: falling back elsewhere would hide their mistake.
    if (chosen.source == Bundle::LocationSource::environment)
        return {{chosen.path, "set by " + chosen.environmentVariable}};
    if (chosen.source == Bundle::LocationSource::host) return {{chosen.path, "set by the host"}};

    std::vector<VelmaroBundlePlace> places{{chosen.path, "inside the main bundle"}};
    if (!binaryDirectory.empty())
        places.push_back({(binaryDirectory.parent_path() / "share" / "velmaro" / "Velmaro.bundle").lexically_normal(),
                          "installed beside the binary that holds the layer"});
    auto& recorded = builtAgainst();
    std::lock_guard lock(recorded.mutex);
    for (const auto& path : recorded.paths) places.push_back({path, "the package or build tree the program was built against"});
    return places;
}

std::shared_ptr<Bundle> velmaroBundleFrom(const std::vector<VelmaroBundlePlace>& places) {
    for (const auto& place : places)
        if (isDirectory(place.path)) return std::make_shared<Bundle>(place.path, std::string("Velmaro"));
    std::string message = "Velmaro: the framework bundle (the layer's images) was not found. Looked at:";
    for (const auto& place : places) message += "\n  " + place.path.string() + " (" + place.reason + ")";
    message += "\nInstall the package, or set VELMARO_BUNDLE_VELMARO to a copy of its Velmaro.bundle folder.";
    throw VelmaroBundleNotFound(message);
}

const std::shared_ptr<Bundle>& velmaroBundle() {
    // A function-local static: made once even when threads race for it; a throw leaves it unmade.
    static const std::shared_ptr<Bundle> bundle = velmaroBundleFrom(velmaroBundlePlaces(layerBinaryDirectory()));
    return bundle;
}

}  // namespace velmaro
