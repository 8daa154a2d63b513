#pragma once

#include <memory>
#include <string>

#include "Velmaro/Helpers/SceneKey.h"

class UIView;

namespace velmaro {

class ConversationListViewController;
class ConversationListTableViewCell;

// The scene "ConversationListViewController" of the storyboard "Velmaro", and the prototype of
// the conversation row under its class name, which the start screen's panel uses too.
class ConversationListViewControllerScene {
public:
    static void registerIn(const std::string& storyboardName);

private:
    static std::shared_ptr<UIView> build(SceneKey key, ConversationListViewController& screen);
    static void buildCell(SceneKey key, ConversationListTableViewCell& cell);
};

}  // namespace velmaro
