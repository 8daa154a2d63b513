#pragma once

#include <memory>
#include <string>

#include "UIKit/UIStoryboard.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UIView.h"
#include "Velmaro/Helpers/Protocols.h"
#include "Velmaro/Helpers/SceneKey.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"

namespace velmaro {

// Registers scenes whose screens know nothing of them: the storyboard hands each screen it makes
// the scene's view builder, and the screen's loadView runs it with a key for the outlets. A view
// builder gets the screen it builds for and must not keep it.
class SceneRegistrar {
public:
    template <StoryboardScene Screen>
    using ViewBuilder = std::shared_ptr<UIView> (*)(SceneKey, Screen&);

    // The scene named after Screen in the storyboard: a fresh Screen whose view the builder makes.
    template <StoryboardScene Screen>
    static void add(const std::string& storyboardName, ViewBuilder<Screen> build) {
        UIStoryboard::registerScene(
            storyboardName, Screen::storyboardIdentifier,
            [](const UIStoryboard&) { return std::make_shared<Screen>(); },
            // The storyboard gives this builder only to the screens the maker above made.
            [build](UIViewController& screen) { return build(SceneKey{}, static_cast<Screen&>(screen)); });
    }

    template <ReusableCell Cell>
    using CellBuilder = void (*)(SceneKey, Cell&);

    // A cell prototype of the storyboard under the reuse identifier: a fresh Cell (width of the
    // scene, as laid out) whose content the builder adds and connects.
    template <ReusableCell Cell>
    static void addCell(const std::string& storyboardName, const std::string& reuseIdentifier, CellBuilder<Cell> build,
                        CGRect frame) {
        UIStoryboard::registerCellPrototype(storyboardName, reuseIdentifier, [build, frame] {
            auto cell = UIView::make<Cell>(frame);
            build(SceneKey{}, *cell);
            return std::static_pointer_cast<UITableViewCell>(cell);
        });
    }
};

}  // namespace velmaro
