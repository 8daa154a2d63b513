#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "UIKit/UIKeyboard.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "support/Platform/UIKitTest.h"

class UIKeyboardTests : public UIKitTest {};

TEST_F(UIKeyboardTests, EndFrameTravelsAsARectangleValue) {
    CGRect frame{0, 451, 375, 216};
    auto value = anyFromRect(frame);
    EXPECT_EQ(rectFromAny(value), frame);
    EXPECT_FALSE(rectFromAny(Any("0,451,375,216")));
    EXPECT_FALSE(rectFromAny(AnyDictionary{{"x", 1}, {"y", 2}}));
    EXPECT_FALSE(UIKeyboard::endFrame({}));
}

TEST_F(UIKeyboardTests, ShowingAndHidingPostChangeFrameFirst) {
    std::vector<std::pair<std::string, CGRect>> seen;
    auto token = NotificationCenter::defaultCenter().addObserver("", nullptr, [&](const Notification& n) {
        seen.emplace_back(n.name, UIKeyboard::endFrame(n.userInfo).value_or(CGRect{}));
    });
    UIEventGenerator::showKeyboard(window(), 216);
    UIEventGenerator::hideKeyboard(window(), 216);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].first, UIKeyboardWillChangeFrameNotification);
    EXPECT_EQ(seen[0].second, (CGRect{0, 451, 375, 216}));
    EXPECT_EQ(seen[1].first, UIKeyboardWillShowNotification);
    EXPECT_EQ(seen[2].first, UIKeyboardWillChangeFrameNotification);
    EXPECT_EQ(seen[3].first, UIKeyboardWillHideNotification);
    EXPECT_EQ(seen[3].second, (CGRect{0, 667, 375, 216}));
}
