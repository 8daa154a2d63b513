#pragma once

#include <cstdint>
#include <optional>

#include "UIKit/CGSize.h"
#include "UIKit/UIColor.h"

class UIView;

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

// Appearance of a view's layer, settable from the storyboard. A positive corner radius also clips
// the content to the rounded bounds; a radius of 0 turns clipping off.
double cornerRadius(const UIView& view);
void setCornerRadius(UIView& view, double radius);
double borderWidth(const UIView& view);
void setBorderWidth(UIView& view, double width);
std::optional<UIColor> borderColor(const UIView& view);
void setBorderColor(UIView& view, std::optional<UIColor> color);
// The clear colour when the layer has no shadow colour.
UIColor shadowColor(const UIView& view);
void setShadowColor(UIView& view, std::optional<UIColor> color);
CGSize shadowOffset(const UIView& view);
void setShadowOffset(UIView& view, CGSize offset);
float shadowOpacity(const UIView& view);
void setShadowOpacity(UIView& view, float opacity);
double shadowRadius(const UIView& view);
void setShadowRadius(UIView& view, double radius);
// The frame's size.
double width(const UIView& view);
double height(const UIView& view);
