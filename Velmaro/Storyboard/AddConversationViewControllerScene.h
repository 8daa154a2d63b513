#pragma once

#include <memory>
#include <string>

#include "Velmaro/Helpers/SceneKey.h"

class UIView;

namespace velmaro {

class AddConversationViewController;
class AddConversationIssueCell;

// The scene "AddConversationViewController" of the storyboard "Velmaro", and its two row
// prototypes: "AddConversationIssueCell" (the problem text) and "AddConversationOtherCell".
class AddConversationViewControllerScene {
public:
    static void registerIn(const std::string& storyboardName);

private:
    static std::shared_ptr<UIView> build(SceneKey key, AddConversationViewController& screen);
    static void buildIssueCell(SceneKey key, AddConversationIssueCell& cell);
    static void buildOtherCell(SceneKey key, AddConversationIssueCell& cell);
};

}  // namespace velmaro
