#include "UIKit/UIStoryboard.h"

#include <map>
#include <mutex>
#include <optional>

#include "UIKit/UIViewController.h"

namespace {

struct Scene {
    UIStoryboard::SceneBuilder builder;
    UIStoryboard::ViewBuilder viewBuilder;
};

struct Entry {
    std::map<std::string, Scene> scenes;
    std::map<std::string, UIStoryboard::CellBuilder> cells;
    std::optional<std::string> initialScene;
};

// Scenes are instantiated on whatever thread asks (a core completion may), so the registry locks.
struct Registry {
    std::mutex mutex;
    std::map<std::string, Entry> storyboards;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

void UIStoryboard::registerScene(const std::string& storyboardName, const std::string& identifier,
                                 SceneBuilder builder, ViewBuilder viewBuilder) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.storyboards[storyboardName].scenes[identifier] = Scene{std::move(builder), std::move(viewBuilder)};
}

void UIStoryboard::setInitialScene(const std::string& storyboardName, const std::string& identifier) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.storyboards[storyboardName].initialScene = identifier;
}

void UIStoryboard::registerCellPrototype(const std::string& storyboardName,
                                         const std::string& reuseIdentifier, CellBuilder builder) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.storyboards[storyboardName].cells[reuseIdentifier] = std::move(builder);
}

void UIStoryboard::unregisterStoryboard(const std::string& storyboardName) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.storyboards.erase(storyboardName);
}

UIStoryboard::UIStoryboard(std::string name, std::shared_ptr<Bundle> bundle)
    : name_(std::move(name)), bundle_(std::move(bundle)) {}

std::shared_ptr<UIStoryboard> UIStoryboard::make(std::string name, std::shared_ptr<Bundle> bundle) {
    return std::make_shared<UIStoryboard>(std::move(name), std::move(bundle));
}

std::shared_ptr<UIViewController> UIStoryboard::instantiateViewController(const std::string& identifier) const {
    Scene scene;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        auto board = r.storyboards.find(name_);
        if (board == r.storyboards.end()) return nullptr;
        auto found = board->second.scenes.find(identifier);
        if (found == board->second.scenes.end()) return nullptr;
        scene = found->second;
    }
    // Built outside the lock: a scene's builder may instantiate other scenes.
    return build(scene.builder, scene.viewBuilder);
}

std::shared_ptr<UIViewController> UIStoryboard::instantiateInitialViewController() const {
    std::optional<std::string> initial;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        auto board = r.storyboards.find(name_);
        if (board == r.storyboards.end()) return nullptr;
        initial = board->second.initialScene;
    }
    return initial ? instantiateViewController(*initial) : nullptr;
}

std::vector<std::string> UIStoryboard::sceneIdentifiers() const {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<std::string> identifiers;
    auto board = r.storyboards.find(name_);
    if (board == r.storyboards.end()) return identifiers;
    for (const auto& [identifier, scene] : board->second.scenes) identifiers.push_back(identifier);
    return identifiers;
}

std::vector<std::string> UIStoryboard::cellPrototypeIdentifiers() const {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<std::string> identifiers;
    auto board = r.storyboards.find(name_);
    if (board == r.storyboards.end()) return identifiers;
    for (const auto& [identifier, builder] : board->second.cells) identifiers.push_back(identifier);
    return identifiers;
}

UIStoryboard::CellBuilder UIStoryboard::cellPrototype(const std::string& reuseIdentifier) const {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto board = r.storyboards.find(name_);
    if (board == r.storyboards.end()) return {};
    auto cell = board->second.cells.find(reuseIdentifier);
    return cell == board->second.cells.end() ? CellBuilder{} : cell->second;
}

std::shared_ptr<UIViewController> UIStoryboard::build(const SceneBuilder& builder,
                                                      const ViewBuilder& viewBuilder) const {
    if (!builder) return nullptr;
    auto controller = builder(*this);
    if (!controller) return nullptr;
    controller->storyboard_ = weak_from_this().lock();
    controller->viewBuilder_ = viewBuilder;
    controller->awakeFromNib();
    return controller;
}
