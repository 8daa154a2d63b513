#pragma once

#include <optional>
#include <string>

#include "UIKit/UIButton.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITableViewCell.h"
#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/CoreInterface/MessageModel.h"
#include "Velmaro/Helpers/Outlet.h"
#include "Velmaro/Helpers/Protocols.h"

namespace velmaro {

// A message of the agent (with the agent's avatar) or, laid out as "AnnouncerCell", of the
// system (time and text only).
class ChatAgentTableViewCell : public UITableViewCell, public Reusable, public NibLoadable {
public:
    static constexpr const char* defaultReuseIdentifier = "ChatAgentTableViewCell";
    static constexpr const char* announcerIdentifier = "AnnouncerCell";
    using UITableViewCell::UITableViewCell;

    Outlet<UIImageView> imgvAvatar;
    Outlet<UILabel> lblMessage;
    Outlet<UILabel> lblFuzzyTime;
    Outlet<UIImageView> imgVwSeen;
    Outlet<UIView> vWMessageContainer;
    Outlet<UIView> backView;
    Outlet<UIButton> btnAvatar;

    void awakeFromNib() override;
    // Without an identifier (an agent row) the avatar is loaded too.
    void setupAgentCell(const MessageModel& message, const std::optional<ConversationModel>& conversation,
                        const std::optional<std::string>& identifier);

private:
    void setDateAndContent(const MessageModel& message);
    void setAvatar(const ConversationModel& conversation);

    CGRect messageArea_;  // the widest the message may be, as the row's layout drew it
};

}  // namespace velmaro
