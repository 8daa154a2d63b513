#pragma once

#include <optional>
#include <string>

#include "UIKit/UIButton.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITableViewCell.h"
#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/Helpers/Outlet.h"
#include "Velmaro/Helpers/Protocols.h"

namespace velmaro {

// One conversation in a list: the agent's avatar, name and the conversation's date, its
// description, a preview of the latest activity and the badge of unseen items. Rows of the
// conversation list and of the start screen's panel.
class ConversationListTableViewCell : public UITableViewCell, public Reusable, public NibLoadable {
public:
    static constexpr const char* defaultReuseIdentifier = "ConversationListTableViewCell";
    using UITableViewCell::UITableViewCell;

    Outlet<UIImageView> imgVwAgent;
    Outlet<UILabel> lblAgentNameAndDate;
    Outlet<UILabel> lblConversationName;
    Outlet<UILabel> lblConversationContent;
    Outlet<UIButton> btnUnseenActivityCount;

    void awakeFromNib() override;
    void setSelected(bool selected, bool animated) override;
    // Everything the row shows comes from the conversation, so a reused cell keeps nothing of its
    // previous row.
    void setupCell(const ConversationModel& conversation);

    // The avatar address the cell waits for, if any.
    const std::optional<std::string>& avatarAddressForTesting() const { return avatarAddress_; }

private:
    void agentAndDateSettings(const ConversationModel& conversation);
    void unseenActivitySettings(const ConversationModel& conversation);
    void latestActivitySettings(const ConversationModel& conversation);
    // Shows the placeholder avatar, then the agent's once it arrives, unless the cell has been
    // given another row meanwhile.
    void loadAvatar(const std::optional<std::string>& avatarUrl);

    std::optional<std::string> avatarAddress_;
};

}  // namespace velmaro
