#include <gtest/gtest.h>

#include <vector>

#include "UIKit/UIView.h"
#include "UIKitTesting/UIAnimationRecorder.h"
#include "support/Platform/UIKitTest.h"

class UIViewAnimationTests : public UIKitTest {};

TEST_F(UIViewAnimationTests, ValuesApplyAtOnceAndTheCompletionWaitsForTheClock) {
    auto view = UIView::make(CGRect{0, 0, 100, 100});
    std::vector<bool> finished;
    UIView::animate(0.3, 0.1, UIViewAnimationOptionCurveEaseIn,
                    [&] { view->setAlpha(0); },
                    [&](bool done) { finished.push_back(done); });
    EXPECT_EQ(view->alpha(), 0);
    drain();
    EXPECT_TRUE(finished.empty());
    advance(0.39);
    EXPECT_TRUE(finished.empty());
    advance(0.01);
    EXPECT_EQ(finished, (std::vector<bool>{true}));

    auto record = UIAnimationRecorder::last();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->duration, 0.3);
    EXPECT_EQ(record->delay, 0.1);
    EXPECT_EQ(record->options, unsigned(UIViewAnimationOptionCurveEaseIn));
    EXPECT_FALSE(record->springDamping);
    EXPECT_TRUE(record->hasCompletion);
}

TEST_F(UIViewAnimationTests, SpringValuesAreRecordedAndCompletionsRunInDueOrder) {
    std::vector<int> order;
    UIView::animate(0.3, 0, 2.0, 3.0, UIViewAnimationOptionAllowAnimatedContent, nullptr,
                    [&](bool) { order.push_back(1); });
    UIView::animate(0.2, [] {}, [&](bool) { order.push_back(2); });
    advance(1);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    ASSERT_EQ(UIAnimationRecorder::count(), 2u);
    const auto& spring = UIAnimationRecorder::records()[0];
    EXPECT_EQ(spring.springDamping, 2.0);
    EXPECT_EQ(spring.springVelocity, 3.0);
    EXPECT_EQ(spring.options, unsigned(UIViewAnimationOptionAllowAnimatedContent));
}

TEST_F(UIViewAnimationTests, DisabledAnimationsCompleteWithoutTheClock) {
    UIView::setAnimationsEnabled(false);
    bool done = false;
    UIView::animate(5, [] {}, [&](bool finished) { done = finished; });
    drain();
    EXPECT_TRUE(done);
    EXPECT_FALSE(UIAnimationRecorder::last()->animationsEnabled);

    UIView::setAnimationsEnabled(true);
    done = false;
    UIView::performWithoutAnimation([&] { UIView::animate(5, [] {}, [&](bool) { done = true; }); });
    EXPECT_TRUE(UIView::areAnimationsEnabled());
    drain();
    EXPECT_TRUE(done);
}

TEST(UIViewAnimationOptionTests, OptionsKeepThePlatformValues) {
    EXPECT_EQ(unsigned(UIViewAnimationOptionAllowAnimatedContent), 128u);
    EXPECT_EQ(unsigned(UIViewAnimationOptionCurveLinear), 3u << 16);
}
