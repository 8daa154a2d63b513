#include "Velmaro/Helpers/UIExtensions.h"

#include "UIKit/CALayer.h"
#include "UIKit/UIView.h"

UIColor colorWithRGB(int red, int green, int blue) {
    return UIColor(red / 255.0, green / 255.0, blue / 255.0, 1.0);
}

UIColor colorWithHexValue(std::int64_t hexValue) {
    return colorWithRGB(static_cast<int>((hexValue >> 16) & 0xFF), static_cast<int>((hexValue >> 8) & 0xFF),
                        static_cast<int>(hexValue & 0xFF));
}

double redValue(const UIColor& color) { return color.red(); }
double greenValue(const UIColor& color) { return color.green(); }
double blueValue(const UIColor& color) { return color.blue(); }
double alphaValue(const UIColor& color) { return color.alpha(); }

bool isLight(const UIColor& color) {
    // A grey keeps its own level exactly, so the 0.5 threshold is not blurred by rounding.
    const bool grey = color.red() == color.green() && color.green() == color.blue();
    const double white = grey ? color.red() : color.grayscale();
    return white > 0.5;
}

const UIColor& VelmaroColors::VelmaroGreen() {
    static const UIColor color = colorWithHexValue(0x48DFB2);
    return color;
}

const UIColor& VelmaroColors::VelmaroLightGray() {
    static const UIColor color = colorWithHexValue(0xF2F4F7);
    return color;
}

const UIColor& VelmaroColors::VelmaroDarkGray() {
    static const UIColor color = colorWithHexValue(0x8A96AC);
    return color;
}

double cornerRadius(const UIView& view) { return view.layer()->cornerRadius(); }

void setCornerRadius(UIView& view, double radius) {
    view.layer()->setCornerRadius(radius);
    view.layer()->setMasksToBounds(radius > 0);
}

double borderWidth(const UIView& view) { return view.layer()->borderWidth(); }
void setBorderWidth(UIView& view, double width) { view.layer()->setBorderWidth(width); }
std::optional<UIColor> borderColor(const UIView& view) { return view.layer()->borderColor(); }
void setBorderColor(UIView& view, std::optional<UIColor> color) { view.layer()->setBorderColor(color); }

UIColor shadowColor(const UIView& view) { return view.layer()->shadowColor().value_or(UIColor::clear()); }
void setShadowColor(UIView& view, std::optional<UIColor> color) { view.layer()->setShadowColor(color); }
CGSize shadowOffset(const UIView& view) { return view.layer()->shadowOffset(); }
void setShadowOffset(UIView& view, CGSize offset) { view.layer()->setShadowOffset(offset); }
float shadowOpacity(const UIView& view) { return view.layer()->shadowOpacity(); }
void setShadowOpacity(UIView& view, float opacity) { view.layer()->setShadowOpacity(opacity); }
double shadowRadius(const UIView& view) { return view.layer()->shadowRadius(); }
void setShadowRadius(UIView& view, double radius) { view.layer()->setShadowRadius(radius); }

double width(const UIView& view) { return view.frame().size.width; }
double height(const UIView& view) { return view.frame().size.height; }
