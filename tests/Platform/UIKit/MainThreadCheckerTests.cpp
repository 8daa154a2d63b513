#include <gtest/gtest.h>

#include <thread>

#include "UIKit/CALayer.h"
#include "UIKit/UILabel.h"
#include "support/Platform/UIKitTest.h"

class MainThreadCheckerDeathTest : public UIKitTest {};

TEST_F(MainThreadCheckerDeathTest, ViewOnTheGlassChangedOffTheMainThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto label = UIView::make<UILabel>();
    window()->addSubview(label);
    EXPECT_DEATH(
        {
            std::thread worker([&] { label->setText("from a worker"); });
            worker.join();
        },
        "Main thread checker: UILabel\\.setText");
    EXPECT_DEATH(
        {
            std::thread worker([&] { label->layer()->setCornerRadius(4); });
            worker.join();
        },
        "UILabel\\.setCornerRadius");
}

TEST_F(MainThreadCheckerDeathTest, ViewsOffTheGlassMayBeBuiltAnywhere) {
    std::shared_ptr<UILabel> label;
    std::thread worker([&] {
        label = UIView::make<UILabel>();
        label->setText("built off the glass");
    });
    worker.join();
    EXPECT_EQ(label->text(), "built off the glass");
}
