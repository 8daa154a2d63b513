#include "Foundation/Bundle.h"

#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

namespace {

struct Registry {
    std::mutex mutex;
    std::optional<std::filesystem::path> mainPath;
    std::map<std::string, std::filesystem::path> frameworkPaths;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::optional<std::filesystem::path> environmentPath(const std::string& variable) {
    const char* value = std::getenv(variable.c_str());
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::filesystem::path(value);
}

std::string environmentVariableFor(const std::string& identifier) {
    std::string variable = "VELMARO_BUNDLE_";
    for (unsigned char c : identifier) variable += std::isalnum(c) ? static_cast<char>(std::toupper(c)) : '_';
    return variable;
}

std::filesystem::path executableDirectory() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error);
    return executable.parent_path();
}

bool isDirectory(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// A resource name must stay inside its bundle.
bool isPlainName(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos) return false;
    for (const auto& part : std::filesystem::path(name)) {
        if (part == "..") return false;
    }
    return std::filesystem::path(name).is_relative();
}

}  // namespace

Bundle::Bundle(std::filesystem::path path, std::optional<std::string> identifier)
    : path_(std::move(path)), identifier_(std::move(identifier)) {}

std::shared_ptr<Bundle> Bundle::mainBundle() {
    if (auto path = environmentPath("VELMARO_MAIN_BUNDLE")) return std::make_shared<Bundle>(*path);
    {
        auto& shared = registry();
        std::lock_guard lock(shared.mutex);
        if (shared.mainPath) return std::make_shared<Bundle>(*shared.mainPath);
    }
    return std::make_shared<Bundle>(executableDirectory());
}

void Bundle::setMainBundlePath(std::optional<std::filesystem::path> path) {
    auto& shared = registry();
    std::lock_guard lock(shared.mutex);
    shared.mainPath = std::move(path);
}

Bundle::Location Bundle::locationForIdentifier(const std::string& identifier) {
    Location location;
    location.environmentVariable = environmentVariableFor(identifier);
    if (auto path = environmentPath(location.environmentVariable)) {
        location.path = std::move(*path);
        location.source = LocationSource::environment;
        return location;
    }
    {
        auto& shared = registry();
        std::lock_guard lock(shared.mutex);
        if (auto it = shared.frameworkPaths.find(identifier); it != shared.frameworkPaths.end()) {
            location.path = it->second;
            location.source = LocationSource::host;
            return location;
        }
    }
    location.path = mainBundle()->bundlePath() / (identifier + ".bundle");
    return location;
}

std::shared_ptr<Bundle> Bundle::forIdentifier(const std::string& identifier) {
    auto location = locationForIdentifier(identifier);
    if (!isDirectory(location.path)) return nullptr;
    return std::make_shared<Bundle>(std::move(location.path), identifier);
}

void Bundle::setPathForIdentifier(const std::string& identifier, std::optional<std::filesystem::path> path) {
    auto& shared = registry();
    std::lock_guard lock(shared.mutex);
    if (path)
        shared.frameworkPaths[identifier] = std::move(*path);
    else
        shared.frameworkPaths.erase(identifier);
}

std::shared_ptr<Bundle> Bundle::bundleWithPath(const std::filesystem::path& path) {
    if (!isDirectory(path)) return nullptr;
    return std::make_shared<Bundle>(path);
}

void Bundle::forgetPaths() {
    auto& shared = registry();
    std::lock_guard lock(shared.mutex);
    shared.mainPath.reset();
    shared.frameworkPaths.clear();
}

std::optional<std::filesystem::path> Bundle::pathForResource(const std::string& name, const std::string& type,
                                                             const std::string& subdirectory) const {
    if (!isPlainName(name) || (!type.empty() && !isPlainName(type)) ||
        (!subdirectory.empty() && !isPlainName(subdirectory)))
        return std::nullopt;
    std::string file = name;
    if (!type.empty()) file += (type.front() == '.' ? "" : ".") + type;
    auto candidate = subdirectory.empty() ? path_ / file : path_ / subdirectory / file;
    if (!isFile(candidate)) return std::nullopt;
    return candidate;
}

std::optional<Bundle::ImageFile> Bundle::imageFileForResource(const std::string& name, double preferredScale) const {
    std::string base = name;
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".png") == 0) base.resize(base.size() - 4);
    const auto withScale = [&](int scale) { return scale == 1 ? base : base + "@" + std::to_string(scale) + "x"; };

    std::vector<int> scales;
    const int preferred = static_cast<int>(std::lround(preferredScale));
    if (preferred >= 1 && preferred <= 3) scales.push_back(preferred);
    for (int scale : {1, 2, 3})
        if (scale != preferred) scales.push_back(scale);
    for (int scale : scales) {
        if (auto path = pathForResource(withScale(scale), "png")) return ImageFile{*path, static_cast<double>(scale)};
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> Bundle::pathForImageResource(const std::string& name,
                                                                  double preferredScale) const {
    if (auto image = imageFileForResource(name, preferredScale)) return image->path;
    return std::nullopt;
}
