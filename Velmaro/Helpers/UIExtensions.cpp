#include "Velmaro/Helpers/UIExtensions.h"

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
