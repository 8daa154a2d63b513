#include <gtest/gtest.h>

#include "UIKit/UISegmentedControl.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "support/Platform/UIKitTest.h"

class UISegmentedControlTests : public UIKitTest {};

TEST_F(UISegmentedControlTests, UserTapSelectsAndReportsCodeDoesNot) {
    auto control = UIView::make<UISegmentedControl>(std::vector<std::string>{"Open", "Closed"});
    control->setFrame({0, 0, 200, 30});
    window()->addSubview(control);
    std::vector<int> changes;
    control->addAction([&](const std::shared_ptr<UIControl>& c) {
        changes.push_back(std::static_pointer_cast<UISegmentedControl>(c)->selectedSegmentIndex());
    }, UIControlEventValueChanged);
    // A tap recognizer around it does not steal the segment's tap.
    window()->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>());

    control->setSelectedSegmentIndex(0);
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(UIEventGenerator::selectSegment(control, 1));
    EXPECT_TRUE(UIEventGenerator::selectSegment(control, 1));  // already selected: no change
    EXPECT_EQ(changes, (std::vector<int>{1}));
    EXPECT_EQ(control->titleForSegment(1), "Closed");
    EXPECT_FALSE(control->titleForSegment(2));
    control->setSelectedSegmentIndex(7);
    EXPECT_EQ(control->selectedSegmentIndex(), UISegmentedControl::noSegment);
}
