#pragma once

#include <optional>
#include <string>
#include <vector>

#include "UIKit/UIControl.h"

// A row of titled segments, at most one selected. Selecting in code sends nothing; a user's tap
// on a segment selects it and sends value-changed.
class UISegmentedControl : public UIControl {
public:
    static constexpr int noSegment = -1;

    UISegmentedControl();
    explicit UISegmentedControl(std::vector<std::string> titles);

    int numberOfSegments() const { return static_cast<int>(titles_.size()); }
    void insertSegment(std::string title, int index);
    void removeAllSegments();
    std::optional<std::string> titleForSegment(int index) const;
    void setTitle(std::string title, int index);
    int selectedSegmentIndex() const { return selected_; }
    // Out-of-range indexes select nothing.
    void setSelectedSegmentIndex(int index);
    // The segment under a point of this control (segments share the width equally).
    int segmentAtPoint(CGPoint point) const;

    void touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    bool gestureRecognizerShouldBegin(const UIGestureRecognizer& recognizer) const override;

private:
    std::vector<std::string> titles_;
    int selected_ = noSegment;
};
