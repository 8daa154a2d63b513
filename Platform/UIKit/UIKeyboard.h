#pragma once

#include <optional>
#include <string>

#include "Foundation/Any.h"
#include "UIKit/CGRect.h"

// The keyboard's notifications, posted on the default center with no object. Their user info
// holds the keyboard's begin and end frames, in screen (window) coordinates, under
// UIKeyboardFrameBeginUserInfoKey and UIKeyboardFrameEndUserInfoKey, as rectangle values: a
// dictionary {"x", "y", "width", "height"} of numbers made by anyFromRect and read by
// rectFromAny; and the slide's duration in seconds under UIKeyboardAnimationDurationUserInfoKey.
inline const std::string UIKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline const std::string UIKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline const std::string UIKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline const std::string UIKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
inline const std::string UIKeyboardWillChangeFrameNotification = "UIKeyboardWillChangeFrameNotification";
inline const std::string UIKeyboardDidChangeFrameNotification = "UIKeyboardDidChangeFrameNotification";
inline const std::string UIKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
inline const std::string UIKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
inline const std::string UIKeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";

// A window shows the keyboard while an input that takes keyboard input is its first responder
// (see UIView::takesKeyboardInput), at its bottom edge, standardHeight points plus the input's
// accessory view high; focus moving from input to input shows it again, at the new height.
class UIKeyboard {
public:
    static constexpr CGFloat standardHeight = 291;
    static constexpr double animationDuration = 0.25;

    // Over the bottom of the window, and just below it.
    static CGRect shownFrame(CGRect windowBounds, CGFloat height);
    static CGRect hiddenFrame(CGRect windowBounds, CGFloat height);
    // The one place the keyboard's notifications are posted, in the platform's order:
    // will-change-frame, will-show (will-hide), did-change-frame, did-show (did-hide).
    static void postShowing(CGRect beginFrame, CGRect endFrame);
    static void postHiding(CGRect beginFrame, CGRect endFrame);

    static Any anyFromRect(CGRect rect);
    // Nothing when the value is not a rectangle value.
    static std::optional<CGRect> rectFromAny(const Any& value);
    // The end frame of a keyboard notification's user info; nothing when it has none.
    static std::optional<CGRect> endFrame(const AnyDictionary& userInfo);
};

// Free spellings for screens.
inline Any anyFromRect(CGRect rect) { return UIKeyboard::anyFromRect(rect); }
inline std::optional<CGRect> rectFromAny(const Any& value) { return UIKeyboard::rectFromAny(value); }
