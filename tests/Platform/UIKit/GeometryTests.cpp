#include <gtest/gtest.h>

#include "support/Platform/UIKitTest.h"
#include "UIKit/CATransform3D.h"
#include "UIKit/CGAffineTransform.h"
#include "UIKit/CGRect.h"

TEST(GeometryTests, RectEdgesStandardiseNegativeSizes) {
    CGRect r{10, 20, -4, 30};
    EXPECT_EQ(r.minX(), 6);
    EXPECT_EQ(r.maxX(), 10);
    EXPECT_EQ(r.midX(), 8);
    EXPECT_EQ(r.minY(), 20);
    EXPECT_EQ(r.maxY(), 50);
    EXPECT_EQ(r.midY(), 35);
    EXPECT_EQ(r.width(), 4);
    EXPECT_EQ(r.standardized(), (CGRect{6, 20, 4, 30}));
    EXPECT_NE(r, r.standardized());
}

TEST(GeometryTests, ContainsIsHalfOpenOnFarEdges) {
    CGRect r{0, 0, 10, 10};
    EXPECT_TRUE(r.contains({0, 0}));
    EXPECT_TRUE(r.contains({9.99, 9.99}));
    EXPECT_FALSE(r.contains({10, 5}));
    EXPECT_FALSE(r.contains({5, 10}));
    EXPECT_FALSE(CGRect::zero().contains({0, 0}));
}

TEST(GeometryTests, AffineScaleAndInverse) {
    auto t = CGAffineTransform::makeScale(2, 3).concatenating(
        CGAffineTransform::makeTranslation(5, 7));
    EXPECT_EQ(t.apply(CGPoint{1, 1}), (CGPoint{7, 10}));
    EXPECT_EQ(t.inverted().apply(CGPoint{7, 10}), (CGPoint{1, 1}));
    EXPECT_EQ(t.apply(CGRect{-1, -1, 2, 2}), (CGRect{3, 4, 4, 6}));
    // A scale to zero cannot be undone; the platform answers the identity.
    EXPECT_TRUE(CGAffineTransform::makeScale(0, 0).inverted().isIdentity());
    EXPECT_TRUE(CGAffineTransform::identity().scaledBy(1, 1).isIdentity());
}

TEST(GeometryTests, TranslationIn3DMovesPoints) {
    auto t = CATransform3D::makeTranslation(10, 0, 0);
    EXPECT_FALSE(t.isIdentity());
    EXPECT_EQ(t.apply(CGPoint{1, 2}), (CGPoint{11, 2}));
    auto both = t.concatenating(CATransform3D::makeScale(2, 2, 1));
    EXPECT_EQ(both.apply(CGPoint{1, 2}), (CGPoint{22, 4}));
}
