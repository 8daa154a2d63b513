#pragma once

#include <memory>
#include <string>

#include "Velmaro/Helpers/SceneKey.h"

class UIView;

namespace velmaro {

class ChatViewController;
class ChatAgentTableViewCell;
class ChatClientTableViewCell;
class ChatEventTableViewCell;

// The scene "ChatViewController" of the storyboard "Velmaro", and the chat's cell prototypes:
// the three cell classes under their class names, "AnnouncerCell" and "ChatSectionTitleCell".
class ChatViewControllerScene {
public:
    static void registerIn(const std::string& storyboardName);

private:
    static std::shared_ptr<UIView> build(SceneKey key, ChatViewController& screen);
    static void buildClientCell(SceneKey key, ChatClientTableViewCell& cell);
    static void buildAgentCell(SceneKey key, ChatAgentTableViewCell& cell);
    static void buildAnnouncerCell(SceneKey key, ChatAgentTableViewCell& cell);
    static void buildEventCell(SceneKey key, ChatEventTableViewCell& cell);
    static void buildSectionTitleCell(SceneKey key, ChatEventTableViewCell& cell);
};

}  // namespace velmaro
