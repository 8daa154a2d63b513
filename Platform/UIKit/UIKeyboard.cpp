#include "UIKit/UIKeyboard.h"

Any UIKeyboard::anyFromRect(CGRect rect) {
    return AnyDictionary{{"x", rect.origin.x},
                         {"y", rect.origin.y},
                         {"width", rect.size.width},
                         {"height", rect.size.height}};
}

std::optional<CGRect> UIKeyboard::rectFromAny(const Any& value) {
    const auto* dictionary = value.dictionary();
    if (!dictionary) return std::nullopt;
    auto number = [&](const char* key) -> std::optional<double> {
        auto it = dictionary->find(key);
        return it == dictionary->end() ? std::nullopt : it->second.number();
    };
    auto x = number("x"), y = number("y"), width = number("width"), height = number("height");
    if (!x || !y || !width || !height) return std::nullopt;
    return CGRect{*x, *y, *width, *height};
}

std::optional<CGRect> UIKeyboard::endFrame(const AnyDictionary& userInfo) {
    auto it = userInfo.find(UIKeyboardFrameEndUserInfoKey);
    if (it == userInfo.end()) return std::nullopt;
    return rectFromAny(it->second);
}
