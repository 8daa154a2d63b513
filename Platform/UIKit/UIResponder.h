#pragma once

#include <memory>
#include <set>

class UIEvent;
class UITouch;
class UIView;

using UITouchSet = std::set<std::shared_ptr<UITouch>>;

// The base of everything that takes part in event handling. Responders are reference types held
// by std::shared_ptr. Touches a responder does not handle go on to its next responder.
class UIResponder : public std::enable_shared_from_this<UIResponder> {
public:
    UIResponder() = default;
    virtual ~UIResponder() = default;
    UIResponder(const UIResponder&) = delete;
    UIResponder& operator=(const UIResponder&) = delete;

    virtual std::shared_ptr<UIResponder> nextResponder() const { return nullptr; }

    virtual bool canBecomeFirstResponder() const { return false; }
    // Plain responders can never be first responder: the first responder lives in a window.
    virtual bool becomeFirstResponder() { return false; }
    virtual bool canResignFirstResponder() const { return true; }
    // True when this responder no longer holds the focus (including when it never did).
    virtual bool resignFirstResponder() { return true; }
    virtual bool isFirstResponder() const { return false; }

    // The view shown above the keyboard while this responder is first responder.
    virtual std::shared_ptr<UIView> inputAccessoryView() const { return nullptr; }

    virtual void touchesBegan(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event);
    virtual void touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event);
    virtual void touchesCancelled(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event);
};
