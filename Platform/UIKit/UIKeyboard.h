#pragma once

#include <optional>
#include <string>

#include "Foundation/Any.h"
#include "UIKit/CGRect.h"

// The keyboard's notifications, posted on the default center with no object. Their user info
// holds the keyboard's end frame, in screen (window) coordinates, under
// UIKeyboardFrameEndUserInfoKey, as a rectangle value: a dictionary {"x", "y", "width",
// "height"} of numbers made by anyFromRect and read by rectFromAny.
inline const std::string UIKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline const std::string UIKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline const std::string UIKeyboardWillChangeFrameNotification = "UIKeyboardWillChangeFrameNotification";
inline const std::string UIKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";

class UIKeyboard {
public:
    static Any anyFromRect(CGRect rect);
    // Nothing when the value is not a rectangle value.
    static std::optional<CGRect> rectFromAny(const Any& value);
    // The end frame of a keyboard notification's user info; nothing when it has none.
    static std::optional<CGRect> endFrame(const AnyDictionary& userInfo);
};

// Free spellings for screens.
inline Any anyFromRect(CGRect rect) { return UIKeyboard::anyFromRect(rect); }
inline std::optional<CGRect> rectFromAny(const Any& value) { return UIKeyboard::rectFromAny(value); }
