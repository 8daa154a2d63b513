#include "UIKit/UITableViewCell.h"

#include <algorithm>

std::shared_ptr<UIView> UITableViewCell::contentView() {
    if (!contentView_) {
        contentView_ = UIView::make(CGRect{0, 0, bounds().size.width, bounds().size.height});
        contentView_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        insertSubview(contentView_, 0);
    }
    return contentView_;
}

void UITableViewCell::setSelected(bool selected, bool /*animated*/) {
    selected_ = selected;
}

CGFloat UITableViewCell::fittingHeight(CGFloat /*width*/) {
    CGFloat bottom = 0;
    for (const auto& subview : contentView()->subviews()) {
        if (!subview->isHidden()) bottom = std::max(bottom, subview->frame().maxY());
    }
    return bottom > 0 ? bottom : bounds().size.height;
}

void UITableViewCell::place(CGRect frame) {
    setFrame(frame);
    contentView()->setFrame(CGRect{0, 0, frame.size.width, frame.size.height});
}
