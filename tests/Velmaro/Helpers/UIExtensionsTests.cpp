#include <gtest/gtest.h>

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
