#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class Bundle;
class UITableViewCell;
class UIView;
class UIViewController;

// A named storyboard from a bundle. Its scenes and cell prototypes live in a process-wide registry
// keyed by storyboard name, filled by builders at start-up (the layer's own storyboard and a
// host's). Lookups are thread-safe; an unknown identifier answers nothing and the caller decides
// whether that is fatal.
//
// A scene is a screen maker and, optionally, the builder of that screen's view: the storyboard
// hands the builder to each screen it makes, and the screen's loadView runs it. The builder gets
// the screen it builds for and must not keep it.
class UIStoryboard : public std::enable_shared_from_this<UIStoryboard> {
public:
    using SceneBuilder = std::function<std::shared_ptr<UIViewController>(const UIStoryboard&)>;
    using ViewBuilder = std::function<std::shared_ptr<UIView>(UIViewController&)>;
    using CellBuilder = std::function<std::shared_ptr<UITableViewCell>()>;

    // Registering a second scene under the same identifier replaces the first.
    static void registerScene(const std::string& storyboardName, const std::string& identifier,
                              SceneBuilder builder, ViewBuilder viewBuilder = nullptr);
    static void setInitialScene(const std::string& storyboardName, const std::string& identifier);
    static void registerCellPrototype(const std::string& storyboardName,
                                      const std::string& reuseIdentifier, CellBuilder builder);

    // `storyboardWithName:bundle:`; a null bundle means the main bundle.
    static std::shared_ptr<UIStoryboard> make(std::string name, std::shared_ptr<Bundle> bundle = nullptr);

    const std::string& name() const { return name_; }
    const std::shared_ptr<Bundle>& bundle() const { return bundle_; }

    // A fresh screen for the scene, `awakeFromNib` already run; null when there is no such scene.
    std::shared_ptr<UIViewController> instantiateViewController(const std::string& identifier) const;
    std::shared_ptr<UIViewController> instantiateInitialViewController() const;
    template <class T>
    std::shared_ptr<T> instantiate(const std::string& identifier) const {
        return std::dynamic_pointer_cast<T>(instantiateViewController(identifier));
    }

    // Identifiers of the registered scenes, sorted.
    std::vector<std::string> sceneIdentifiers() const;
    std::vector<std::string> cellPrototypeIdentifiers() const;
    // The builder of a prototype, or an empty function.
    CellBuilder cellPrototype(const std::string& reuseIdentifier) const;

    UIStoryboard(std::string name, std::shared_ptr<Bundle> bundle);

private:
    friend class UIStoryboardTestApi;

    std::shared_ptr<UIViewController> build(const SceneBuilder& builder, const ViewBuilder& viewBuilder) const;
    // Forgets everything registered under the name.
    static void unregisterStoryboard(const std::string& storyboardName);

    std::string name_;
    std::shared_ptr<Bundle> bundle_;
};
