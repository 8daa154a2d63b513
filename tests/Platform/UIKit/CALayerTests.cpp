#include <gtest/gtest.h>

#include "support/Platform/UIKitTest.h"
#include "UIKit/CALayer.h"
#include "UIKit/CAShapeLayer.h"
#include "UIKit/UIBezierPath.h"
#include "UIKit/UIView.h"

TEST(CALayerTests, ShapeMaskCurvesOnlyTheChosenCorners) {
    CGRect rect{0, 0, 375, 50};
    auto path = UIBezierPath::makeRoundedRect(rect, UIRectCornerTopLeft | UIRectCornerTopRight,
                                              CGSize{5, 5});
    EXPECT_TRUE(path->isCornerRounded(UIRectCornerTopLeft));
    EXPECT_FALSE(path->isCornerRounded(UIRectCornerBottomLeft));
    // The very corner pixels are cut off on top only.
    EXPECT_FALSE(path->contains({0.2, 0.2}));
    EXPECT_FALSE(path->contains({374.8, 0.2}));
    EXPECT_TRUE(path->contains({0.2, 49.8}));
    EXPECT_TRUE(path->contains({374.8, 49.8}));
    // Just inside the curve, and the middle of the edge, are kept.
    EXPECT_TRUE(path->contains({2, 2}));
    EXPECT_TRUE(path->contains({187, 0}));
    EXPECT_FALSE(path->contains({187, 50}));

    auto view = UIView::make(rect);
    auto mask = std::make_shared<CAShapeLayer>();
    mask->setPath(path);
    view->layer()->setMask(mask);
    auto shape = std::dynamic_pointer_cast<CAShapeLayer>(view->layer()->mask());
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->path(), path);
}

TEST(CALayerTests, RadiiAreClampedToHalfTheSides) {
    auto path = UIBezierPath::makeRoundedRect(CGRect{0, 0, 20, 10}, 50);
    EXPECT_EQ(path->cornerRadii(), (CGSize{10, 5}));
    EXPECT_FALSE(path->contains({0.5, 0.5}));
    EXPECT_TRUE(path->contains({10, 5}));
    EXPECT_TRUE(UIBezierPath::makeRect(CGRect{0, 0, 20, 10})->contains({0, 0}));
}

TEST(CALayerTests, ViewLayerFollowsItsViewAndHoldsItsDrawingProperties) {
    auto view = UIView::make(CGRect{5, 5, 40, 20});
    auto layer = view->layer();
    EXPECT_EQ(layer->frame(), (CGRect{5, 5, 40, 20}));
    EXPECT_EQ(layer->delegate(), view);
    layer->setFrame({0, 0, 10, 10});
    EXPECT_EQ(view->frame(), (CGRect{0, 0, 10, 10}));
    EXPECT_EQ(layer->shadowColor(), UIColor::black());
    layer->setShadowColor(std::nullopt);
    EXPECT_FALSE(layer->shadowColor());
    layer->setSublayerTransform(CATransform3D::makeTranslation(10, 0, 0));
    EXPECT_EQ(layer->sublayerTransform().m41, 10);
    view->setClipsToBounds(true);
    EXPECT_TRUE(layer->masksToBounds());

    view.reset();
    EXPECT_EQ(layer->delegate(), nullptr);
    EXPECT_EQ(layer->frame(), CGRect::zero());
}
