#include <gtest/gtest.h>

#include "UIKit/CALayer.h"
#include "UIKit/UIView.h"
#include "Velmaro/Helpers/UIExtensions.h"

namespace {

TEST(ColorExtensionsTest, IntegerComponentsAndHexValues) {
    UIColor white = colorWithRGB(255, 255, 255);
    EXPECT_EQ(white.red(), 1.0);
    EXPECT_EQ(white.green(), 1.0);
    EXPECT_EQ(white.blue(), 1.0);
    EXPECT_EQ(white.alpha(), 1.0);
    EXPECT_EQ(colorWithHexValue(0xFFFFFF), UIColor::white());
    EXPECT_EQ(colorWithHexValue(0xF1F2F6), colorWithRGB(241, 242, 246));
    // Bits above the 24 colour bits are ignored.
    EXPECT_EQ(colorWithHexValue(0x7F48DFB2), colorWithHexValue(0x48DFB2));
    EXPECT_EQ(colorWithHexValue(0x1000000), colorWithRGB(0, 0, 0));
    // Components are not clamped.
    EXPECT_DOUBLE_EQ(redValue(colorWithRGB(510, 0, 0)), 2.0);
}

TEST(ColorExtensionsTest, IsLightOnlyStrictlyAboveHalfWhite) {
    EXPECT_FALSE(isLight(UIColor::withWhite(0.5, 1)));
    EXPECT_TRUE(isLight(UIColor::withWhite(0.5001, 1)));
    EXPECT_TRUE(isLight(UIColor::white()));
    EXPECT_FALSE(isLight(UIColor::black()));
    EXPECT_TRUE(isLight(VelmaroColors::VelmaroLightGray()));
    EXPECT_FALSE(isLight(colorWithRGB(0, 0, 255)));
}

TEST(ColorExtensionsTest, PaletteIsMadeOnceFromItsHexValues) {
    EXPECT_EQ(VelmaroColors::VelmaroGreen(), colorWithHexValue(0x48DFB2));
    EXPECT_EQ(&VelmaroColors::VelmaroGreen(), &VelmaroColors::VelmaroGreen());
    EXPECT_DOUBLE_EQ(redValue(VelmaroColors::VelmaroDarkGray()), 0x8A / 255.0);
    EXPECT_DOUBLE_EQ(greenValue(VelmaroColors::VelmaroDarkGray()), 0x96 / 255.0);
    EXPECT_DOUBLE_EQ(blueValue(VelmaroColors::VelmaroDarkGray()), 0xAC / 255.0);
}

}  // namespace

namespace {

TEST(ViewLayerPropertiesTest, CornerRadiusClipsExactlyWhenPositive) {
    auto view = UIView::make(CGRect{0, 0, 80, 40});
    setCornerRadius(*view, 8);
    EXPECT_EQ(cornerRadius(*view), 8);
    EXPECT_TRUE(view->layer()->masksToBounds());
    EXPECT_TRUE(view->clipsToBounds());
    setCornerRadius(*view, 0);
    EXPECT_FALSE(view->clipsToBounds());
    view->setClipsToBounds(true);
    setCornerRadius(*view, -2);
    EXPECT_FALSE(view->clipsToBounds());
}

TEST(ViewLayerPropertiesTest, BorderShadowAndSizeForwardToTheLayerAndFrame) {
    auto view = UIView::make(CGRect{5, 5, 80, 40});
    setBorderWidth(*view, 2);
    setBorderColor(*view, VelmaroColors::VelmaroGreen());
    setShadowOffset(*view, CGSize{1, 2});
    setShadowOpacity(*view, 0.25f);
    setShadowRadius(*view, 6);
    EXPECT_EQ(view->layer()->borderWidth(), 2);
    EXPECT_EQ(borderColor(*view), VelmaroColors::VelmaroGreen());
    EXPECT_EQ(shadowOffset(*view), (CGSize{1, 2}));
    EXPECT_EQ(shadowOpacity(*view), 0.25f);
    EXPECT_EQ(shadowRadius(*view), 6);

    setShadowColor(*view, std::nullopt);
    EXPECT_EQ(shadowColor(*view), UIColor::clear());
    setShadowColor(*view, UIColor::white());
    EXPECT_EQ(view->layer()->shadowColor(), UIColor::white());

    view->setTransform(CGAffineTransform::makeScale(2, 0.5));
    EXPECT_EQ(width(*view), 160);
    EXPECT_EQ(height(*view), 20);
}

}  // namespace
