#include "UIKit/UIColor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string UIColor::description() const {
    auto byte = [](double c) { return static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255)); };
    char text[16];
    if (byte(alpha_) == 255) {
        std::snprintf(text, sizeof text, "#%02X%02X%02X", byte(red_), byte(green_), byte(blue_));
    } else {
        std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", byte(red_), byte(green_), byte(blue_),
                      byte(alpha_));
    }
    return text;
}
