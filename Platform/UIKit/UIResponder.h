#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

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
    // Call after changing the input accessory view of the first responder.
    virtual void reloadInputViews() {}

    virtual void touchesBegan(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event);
    virtual void touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event);
    virtual void touchesCancelled(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event);

    // ----- Named actions ("selectors") as UIApplication::sendAction delivers them.
    using NamedAction = std::function<void(const std::shared_ptr<UIResponder>& sender,
                                           const std::shared_ptr<UIEvent>& event)>;
    // Makes an action performable by name; registering the name again replaces it. The action
    // belongs to this responder, so it may capture `this`.
    void setNamedAction(const std::string& name, NamedAction action);
    virtual bool canPerformAction(const std::string& name) const;
    // Runs the named action; false when this responder has none by that name.
    virtual bool performAction(const std::string& name, const std::shared_ptr<UIResponder>& sender,
                               const std::shared_ptr<UIEvent>& event);

private:
    std::map<std::string, NamedAction> namedActions_;
};
