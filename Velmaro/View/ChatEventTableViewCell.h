#pragma once

#include "UIKit/UILabel.h"
#include "UIKit/UITableViewCell.h"
#include "Velmaro/Helpers/Outlet.h"
#include "Velmaro/Helpers/Protocols.h"

namespace velmaro {

// A conversation event, or, laid out as "ChatSectionTitleCell", the title of a day.
class ChatEventTableViewCell : public UITableViewCell, public Reusable, public NibLoadable {
public:
    static constexpr const char* defaultReuseIdentifier = "ChatEventTableViewCell";
    static constexpr const char* sectionTitleIdentifier = "ChatSectionTitleCell";
    using UITableViewCell::UITableViewCell;

    Outlet<UILabel> lblEventDescription;

    // At least one line high, also without a description.
    CGSize systemLayoutSizeFitting(CGSize targetSize) override;
};

}  // namespace velmaro
