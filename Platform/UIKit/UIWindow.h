#pragma once

#include <memory>
#include <optional>

#include "UIKit/UIView.h"

class UIViewController;

// The root of a view hierarchy on the glass. It keeps the first responder of the views inside it
// (weakly: a responder that leaves the window gives up the focus) and delivers touches.
class UIWindow : public UIView {
public:
    UIWindow();
    explicit UIWindow(CGRect frame);
    ~UIWindow() override;

    std::shared_ptr<UIView> firstResponder() const { return firstResponder_.lock(); }
    // Where the keyboard is while it shows for the focus, in this window's coordinates.
    std::optional<CGRect> keyboardFrame() const { return keyboardFrame_; }

    // Delivers one tap at a point of this window: gesture recognizers of the touched view and its
    // ancestors see it first; the touched view gets it unless a recognizer that recognised it
    // cancels touches in view. Main thread only.
    void sendTap(CGPoint point);

    // ----- Screens (UIWindow+RootViewController.cpp)
    std::shared_ptr<UIViewController> rootViewController() const { return rootViewController_; }
    // Replacing the root takes the old screens, and whatever they present, off the glass and puts
    // the new one on, with the appearance callbacks when the window is visible.
    void setRootViewController(std::shared_ptr<UIViewController> controller);
    // Shows the window (its root appears) and makes it the application's key window.
    void makeKeyAndVisible();
    void makeKey();
    bool isKeyWindow() const;
    bool isVisible() const { return visible_ && !isHidden(); }

private:
    friend class UIView;
    // Holds back keyboard notifications while focus is handed from one responder to another, or
    // while they are being posted, so observers see one whole sequence at a time.
    class KeyboardDeferral {
    public:
        explicit KeyboardDeferral(UIWindow& window) : window_(window) { ++window_.keyboardDeferrals_; }
        ~KeyboardDeferral() { --window_.keyboardDeferrals_; }
        KeyboardDeferral(const KeyboardDeferral&) = delete;
        KeyboardDeferral& operator=(const KeyboardDeferral&) = delete;

    private:
        UIWindow& window_;
    };
    // Shows, moves or hides the keyboard to match the first responder (UIWindow+Keyboard.cpp).
    void updateKeyboard();

    std::weak_ptr<UIView> firstResponder_;
    std::weak_ptr<UIView> keyboardOwner_;
    std::optional<CGRect> keyboardFrame_;  // while shown for focus
    int keyboardDeferrals_ = 0;
    bool keyboardNeedsUpdate_ = false;
    std::shared_ptr<UIViewController> rootViewController_;
    bool visible_ = false;
};
