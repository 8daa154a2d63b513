#include "UIKit/UIKeyboard.h"

#include "Foundation/NotificationCenter.h"

namespace {

void post(const std::string& name, CGRect begin, CGRect end) {
    NotificationCenter::defaultCenter().post(name, nullptr,
                                             AnyDictionary{{UIKeyboardFrameBeginUserInfoKey, UIKeyboard::anyFromRect(begin)},
                                                           {UIKeyboardFrameEndUserInfoKey, UIKeyboard::anyFromRect(end)},
                                                           {UIKeyboardAnimationDurationUserInfoKey, UIKeyboard::animationDuration}});
}

}  // namespace

CGRect UIKeyboard::shownFrame(CGRect windowBounds, CGFloat height) {
    return {0, windowBounds.size.height - height, windowBounds.size.width, height};
}

CGRect UIKeyboard::hiddenFrame(CGRect windowBounds, CGFloat height) {
    return {0, windowBounds.size.height, windowBounds.size.width, height};
}

void UIKeyboard::postShowing(CGRect beginFrame, CGRect endFrame) {
    post(UIKeyboardWillChangeFrameNotification, beginFrame, endFrame);
    post(UIKeyboardWillShowNotification, beginFrame, endFrame);
    post(UIKeyboardDidChangeFrameNotification, beginFrame, endFrame);
    post(UIKeyboardDidShowNotification, beginFrame, endFrame);
}

void UIKeyboard::postHiding(CGRect beginFrame, CGRect endFrame) {
    post(UIKeyboardWillChangeFrameNotification, beginFrame, endFrame);
    post(UIKeyboardWillHideNotification, beginFrame, endFrame);
    post(UIKeyboardDidChangeFrameNotification, beginFrame, endFrame);
    post(UIKeyboardDidHideNotification, beginFrame, endFrame);
}

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
