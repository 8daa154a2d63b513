#pragma once

#include <memory>

#include "UIKit/CGPoint.h"
#include "UIKit/CGSize.h"
#include "UIKit/UIEdgeInsets.h"
#include "UIKit/UIScrollViewDelegate.h"
#include "UIKit/UIView.h"

// A view that shows a window onto a larger content: the content offset is the content point at
// the view's top-left corner (the bounds origin). The insets widen the range a user can scroll.
class UIScrollView : public UIView {
public:
    using UIView::UIView;

    CGPoint contentOffset() const { return bounds().origin; }
    // Moves at once; every change of the offset is reported to did-scroll. Animated, a move is
    // also followed by did-end-scrolling-animation once the animation time has passed.
    void setContentOffset(CGPoint offset, bool animated = false);
    CGSize contentSize() const { return contentSize_; }
    void setContentSize(CGSize size) { contentSize_ = size; }
    UIEdgeInsets contentInset() const { return contentInset_; }
    void setContentInset(UIEdgeInsets inset);

    // The offsets a drag can reach: from -inset.top to the content's end plus inset.bottom.
    CGFloat minimumContentOffsetY() const;
    CGFloat maximumContentOffsetY() const;

    std::shared_ptr<UIScrollViewDelegate> scrollDelegate() const { return scrollDelegate_.lock(); }
    void setScrollDelegate(std::weak_ptr<UIScrollViewDelegate> delegate) { scrollDelegate_ = std::move(delegate); }

    bool isScrollEnabled() const { return scrollEnabled_; }

    // True while a user's finger moves the content: a delegate tells a drag from a move made by
    // code (a scroll to a row, a reload) by asking this from did-scroll.
    bool isDragging() const { return dragging_; }
    // A user's drag by `dy` points (positive: towards the end), stopped at the offsets a drag can
    // reach; nothing moves while scrolling is disabled. Answers the new vertical offset.
    CGFloat drag(CGFloat dy);

    static constexpr double scrollAnimationDuration = 0.3;

protected:
    // Runs after every offset change, before the delegate hears of it.
    virtual void contentOffsetDidChange() {}
    // The two halves of setContentOffset, for a move made in several steps that the delegate
    // should hear of once: the move itself (contentOffsetDidChange runs), then the report.
    void moveContentOffset(CGPoint offset);
    void reportScroll(CGPoint from, bool animated);

private:
    CGSize contentSize_;
    UIEdgeInsets contentInset_;
    std::weak_ptr<UIScrollViewDelegate> scrollDelegate_;
    bool scrollEnabled_ = true;
    bool dragging_ = false;
};
