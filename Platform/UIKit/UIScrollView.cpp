#include "UIKit/UIScrollView.h"

#include <algorithm>

#include "Dispatch/DispatchQueue.h"

void UIScrollView::setContentOffset(CGPoint offset, bool animated) {
    CGPoint from = contentOffset();
    moveContentOffset(offset);
    reportScroll(from, animated);
}

void UIScrollView::moveContentOffset(CGPoint offset) {
    auto bounds = this->bounds();
    bounds.origin = offset;
    setBounds(bounds);
    contentOffsetDidChange();
}

void UIScrollView::reportScroll(CGPoint from, bool animated) {
    if (contentOffset() == from) return;
    auto self = sharedView();  // the delegate may drop the view
    if (auto delegate = scrollDelegate()) delegate->scrollViewDidScroll(*this);
    if (animated && UIView::areAnimationsEnabled()) {
        std::weak_ptr<UIView> weak = sharedView();
        DispatchQueue::main().asyncAfter(scrollAnimationDuration, [weak] {
            auto view = std::static_pointer_cast<UIScrollView>(weak.lock());
            if (!view) return;
            if (auto delegate = view->scrollDelegate()) delegate->scrollViewDidEndScrollingAnimation(*view);
        });
    }
}

CGFloat UIScrollView::drag(CGFloat dy) {
    const CGPoint offset = contentOffset();
    if (!scrollEnabled_) return offset.y;
    const CGFloat target = std::clamp(offset.y + dy, minimumContentOffsetY(), maximumContentOffsetY());
    auto self = sharedView();  // the delegate may drop the view
    dragging_ = true;
    setContentOffset(CGPoint{offset.x, target}, false);
    dragging_ = false;
    return contentOffset().y;
}

void UIScrollView::setContentInset(UIEdgeInsets inset) {
    contentInset_ = inset;
    setNeedsLayout();
}

CGFloat UIScrollView::minimumContentOffsetY() const {
    return -contentInset_.top;
}

CGFloat UIScrollView::maximumContentOffsetY() const {
    CGFloat end = contentSize_.height + contentInset_.bottom - bounds().size.height;
    return std::max(end, minimumContentOffsetY());
}
