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

    // The height the row needs at this width when the table sizes rows by themselves: by default
    // the bottom edge of the lowest view in the content view, or the current height without any.
    virtual CGFloat fittingHeight(CGFloat width);

private:
    friend class UITableView;
    void place(CGRect frame);

    std::string reuseIdentifier_;
    std::shared_ptr<UIView> contentView_;
    bool selected_ = false;
};
