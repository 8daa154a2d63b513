#pragma once

#include <cstdint>

#include "UIKit/UIColor.h"

// Colours from 0...255 integer components (not clamped) and from a 0xRRGGBB value; bits above
// bit 23 of the value are ignored.
UIColor colorWithRGB(int red, int green, int blue);
UIColor colorWithHexValue(std::int64_t hexValue);

// Components as the imaging library reports them.
double redValue(const UIColor& color);
double greenValue(const UIColor& color);
double blueValue(const UIColor& color);
double alphaValue(const UIColor& color);
// True when the colour's white (grey) level is strictly greater than 0.5.
bool isLight(const UIColor& color);

// The palette of the layer, each colour made once.
struct VelmaroColors {
    static const UIColor& VelmaroGreen();
    static const UIColor& VelmaroLightGray();
    static const UIColor& VelmaroDarkGray();
};
