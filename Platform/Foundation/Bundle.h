#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// A directory of resources: the main bundle (the host's) or a framework's own bundle, found by
// identifier. Paths are settable by the host; the environment overrides them for tests and the
// demo: VELMARO_MAIN_BUNDLE for the main bundle, VELMARO_BUNDLE_<IDENTIFIER> (upper case, every
// other character than letters and digits as '_') for a framework's. Lookups are thread-safe.
class Bundle {
public:
    // An image file found for a name, and the scale its pixels are drawn at (2 for "@2x").
    struct ImageFile {
        std::filesystem::path path;
        double scale = 1.0;
    };

    // The main bundle: the environment's path, else the host's, else the executable's directory.
    static std::shared_ptr<Bundle> mainBundle();
    static void setMainBundlePath(std::optional<std::filesystem::path> path);

    // A framework's bundle: the environment's path, else the one the host registered, else
    // "<identifier>.bundle" inside the main bundle. Nothing when that is not a directory.
    static std::shared_ptr<Bundle> forIdentifier(const std::string& identifier);
    // The one place forIdentifier looks, and what chose it, for a framework that reports where
    // it looked or looks further when nobody chose a place.
    enum class LocationSource { environment, host, mainBundle };
    struct Location {
        std::filesystem::path path;
        LocationSource source = LocationSource::mainBundle;
        std::string environmentVariable;  // the variable that would override it
    };
    static Location locationForIdentifier(const std::string& identifier);
    static void setPathForIdentifier(const std::string& identifier, std::optional<std::filesystem::path> path);
    // Any directory as a bundle; nothing when it is not a directory.
    static std::shared_ptr<Bundle> bundleWithPath(const std::filesystem::path& path);

    explicit Bundle(std::filesystem::path path, std::optional<std::string> identifier = std::nullopt);

    const std::filesystem::path& bundlePath() const { return path_; }
    const std::optional<std::string>& bundleIdentifier() const { return identifier_; }

    // "<bundle>/[subdirectory/]name[.type]" when that file exists. The type may also be part of
    // the name ("logo.png" with an empty type).
    std::optional<std::filesystem::path> pathForResource(const std::string& name, const std::string& type = "",
                                                         const std::string& subdirectory = "") const;
    // A named PNG image: "name@<scale>x.png" for the preferred scale, then "name.png", then the
    // other scales from the smallest.
    std::optional<ImageFile> imageFileForResource(const std::string& name, double preferredScale = 2.0) const;
    std::optional<std::filesystem::path> pathForImageResource(const std::string& name,
                                                              double preferredScale = 2.0) const;

private:
    friend class BundleTestApi;
    static void forgetPaths();

    std::filesystem::path path_;
    std::optional<std::string> identifier_;
};
