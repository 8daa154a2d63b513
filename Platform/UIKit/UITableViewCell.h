#pragma once

#include <memory>
#include <string>

#include "UIKit/UIView.h"

// A table row's view. Its content goes into `contentView`. A cell handed out again by the table's
// dequeue has `prepareForReuse` run first; one made from a storyboard prototype has `awakeFromNib`
// run once after it is built.
class UITableViewCell : public UIView {
public:
    using UIView::UIView;

    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    // Created on first use and kept as the cell's first subview.
    std::shared_ptr<UIView> contentView();

    bool isSelected() const { return selected_; }
    void setSelected(bool selected) { setSelected(selected, false); }
    virtual void setSelected(bool selected, bool animated);

    virtual void prepareForReuse() {}
    virtual void awakeFromNib() {}

    // What a row that sizes itself needs, at the target width: the content view's labels and text
    // views take their fitted height at their width (nothing else moves), then the answer is the
    // bottom of the lowest visible view in the content view plus the content view's bottom
    // margin; the current height when the content view shows nothing.
    CGSize systemLayoutSizeFitting(CGSize targetSize) override;

private:
    friend class UITableView;
    void place(CGRect frame);

    std::string reuseIdentifier_;
    std::shared_ptr<UIView> contentView_;
    bool selected_ = false;
};
