#pragma once

#include "UIKit/UITableViewCell.h"
#include "Velmaro/Helpers/Outlet.h"
#include "Velmaro/Helpers/Protocols.h"
#include "Velmaro/View/PlaceholderTextView.h"

namespace velmaro {

// The one row of the add-conversation form: the problem text with its hint. The screen that
// shows it owns the text's behaviour; the cell only lays it out.
class AddConversationIssueCell : public UITableViewCell, public Reusable, public NibLoadable {
public:
    static constexpr const char* defaultReuseIdentifier = "AddConversationIssueCell";
    using UITableViewCell::UITableViewCell;

    Outlet<PlaceholderTextView> txtVwParentView;

    void awakeFromNib() override;

    // The text view sits inside the placeholder container, out of the table's reach: it is
    // grown here to its text (never below the height the scene gave it) before the row is
    // measured, so the row follows the text.
    CGSize systemLayoutSizeFitting(CGSize targetSize) override;

private:
    CGFloat minimumTextHeight_ = 0;
};

}  // namespace velmaro
