#include "UIKit/UISegmentedControl.h"

#include <algorithm>

#include "UIKit/UIGestureRecognizer.h"
#include "UIKit/UITouch.h"

UISegmentedControl::UISegmentedControl() : UIControl(CGRect{}) {}

UISegmentedControl::UISegmentedControl(std::vector<std::string> titles)
    : UIControl(CGRect{}), titles_(std::move(titles)) {}

void UISegmentedControl::insertSegment(std::string title, int index) {
    checkMainThread("insertSegment");
    index = std::clamp(index, 0, numberOfSegments());
    titles_.insert(titles_.begin() + index, std::move(title));
    if (selected_ >= index) ++selected_;
}

void UISegmentedControl::removeAllSegments() {
    checkMainThread("removeAllSegments");
    titles_.clear();
    selected_ = noSegment;
}

std::optional<std::string> UISegmentedControl::titleForSegment(int index) const {
    if (index < 0 || index >= numberOfSegments()) return std::nullopt;
    return titles_[static_cast<std::size_t>(index)];
}

void UISegmentedControl::setTitle(std::string title, int index) {
    if (index < 0 || index >= numberOfSegments()) return;
    checkMainThread("setTitle");
    titles_[static_cast<std::size_t>(index)] = std::move(title);
}

void UISegmentedControl::setSelectedSegmentIndex(int index) {
    checkMainThread("setSelectedSegmentIndex");
    selected_ = index >= 0 && index < numberOfSegments() ? index : noSegment;
}

int UISegmentedControl::segmentAtPoint(CGPoint point) const {
    if (titles_.empty() || bounds().size.width <= 0) return noSegment;
    CGFloat share = bounds().size.width / numberOfSegments();
    int index = static_cast<int>((point.x - bounds().origin.x) / share);
    return std::clamp(index, 0, numberOfSegments() - 1);
}

void UISegmentedControl::touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) {
    if (!isEnabled() || touches.empty()) return UIControl::touchesEnded(touches, event);
    auto self = sharedView();
    int index = segmentAtPoint((*touches.begin())->locationInView(this));
    UIControl::touchesEnded(touches, event);
    if (index != noSegment && index != selected_) {
        setSelectedSegmentIndex(index);
        sendActions(UIControlEventValueChanged);
    }
}

// Like a button, a segment's own tap wins over an enclosing single-tap recognizer.
bool UISegmentedControl::gestureRecognizerShouldBegin(const UIGestureRecognizer& recognizer) const {
    if (!isEnabled() || recognizer.view().get() == this) return true;
    return !recognizer.recognizesSingleTap();
}
