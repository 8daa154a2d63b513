#include "UIKit/UITableViewCell.h"

#include <algorithm>

#include "UIKit/UILabel.h"
#include "UIKit/UITextView.h"

std::shared_ptr<UIView> UITableViewCell::contentView() {
    if (!contentView_) {
        contentView_ = UIView::make(CGRect{0, 0, bounds().size.width, bounds().size.height});
        contentView_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        insertSubview(contentView_, 0);
    }
    return contentView_;
}

void UITableViewCell::setSelected(bool selected, bool /*animated*/) {
    checkMainThread("setSelected");
    selected_ = selected;
}

CGSize UITableViewCell::systemLayoutSizeFitting(CGSize targetSize) {
    CGRect frame = this->frame();
    if (targetSize.width > 0 && frame.size.width != targetSize.width) {
        place(CGRect{frame.origin, CGSize{targetSize.width, frame.size.height}});
    }
    auto content = contentView();
    bool shows = false;
    CGFloat bottom = 0;
    for (const auto& subview : content->subviews()) {
        if (subview->isHidden()) continue;
        if (std::dynamic_pointer_cast<UILabel>(subview) || std::dynamic_pointer_cast<UITextView>(subview)) {
            CGRect f = subview->frame();
            CGFloat fitted = subview->sizeThatFits(CGSize{f.size.width, 0}).height;
            subview->setFrame(CGRect{f.origin, CGSize{f.size.width, fitted}});
        }
        shows = true;
        bottom = std::max(bottom, subview->frame().maxY());
    }
    CGFloat width = bounds().size.width;
    if (!shows) return {width, bounds().size.height};
    return {width, bottom + content->layoutMargins().bottom};
}

void UITableViewCell::place(CGRect frame) {
    setFrame(frame);
    contentView()->setFrame(CGRect{0, 0, frame.size.width, frame.size.height});
}
