#pragma once

#include <optional>

#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITableViewCell.h"
#include "Velmaro/CoreInterface/MessageModel.h"
#include "Velmaro/Helpers/Outlet.h"
#include "Velmaro/Helpers/Protocols.h"

namespace velmaro {

// A message the end user wrote: its text, its time and the seen mark.
class ChatClientTableViewCell : public UITableViewCell, public Reusable, public NibLoadable {
public:
    static constexpr const char* defaultReuseIdentifier = "ChatClientTableViewCell";
    using UITableViewCell::UITableViewCell;

    Outlet<UILabel> lblMessage;
    Outlet<UILabel> lblFuzzyTime;
    Outlet<UIButton> btnSeen;
    // The bubble behind the message; it hugs the text.
    Outlet<UIView> vwBubble;

    void awakeFromNib() override;
    // Seen: the mark takes the tenant's colour. Not seen: the mark goes back to the storyboard's
    // tint, so a reused cell never carries a confirmation it does not have.
    void setupClientCell(const MessageModel& message, bool seen);

private:
    std::optional<UIColor> unseenTint_;
    CGRect messageArea_;  // the widest the message may be, as the row's layout drew it
};

}  // namespace velmaro
