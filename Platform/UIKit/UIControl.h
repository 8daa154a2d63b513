#pragma once

#include <memory>
#include <vector>

#include "UIKit/TargetAction.h"
#include "UIKit/UIView.h"

enum UIControlEvents : unsigned {
    UIControlEventTouchDown = 1u << 0,
    UIControlEventTouchUpInside = 1u << 6,
    UIControlEventTouchUpOutside = 1u << 7,
    UIControlEventTouchCancel = 1u << 8,
    UIControlEventValueChanged = 1u << 12,
    UIControlEventPrimaryActionTriggered = 1u << 13,
    UIControlEventEditingDidBegin = 1u << 16,
    UIControlEventEditingChanged = 1u << 17,
    UIControlEventEditingDidEnd = 1u << 18,
    UIControlEventEditingDidEndOnExit = 1u << 19,
    UIControlEventAllTouchEvents = 0x00000FFFu,
    UIControlEventAllEditingEvents = 0x000F0000u,
    UIControlEventAllEvents = 0xFFFFFFFFu,
};

enum UIControlState : unsigned {
    UIControlStateNormal = 0,
    UIControlStateHighlighted = 1u << 0,
    UIControlStateDisabled = 1u << 1,
    UIControlStateSelected = 1u << 2,
};

// A view that turns touches into control events and sends each event's actions, in the order
// they were added. Targets are held weakly; the control keeps itself alive while its actions run
// (an action may close the screen that owns it).
class UIControl : public UIView {
public:
    using Action = TargetAction<UIControl>;

    UIControl();
    explicit UIControl(CGRect frame);

    bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool enabled);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    unsigned state() const;

    // `action` is a member function of T taking nothing or the sender as a shared_ptr of any
    // control class.
    template <class T, class Method>
    void addTarget(const std::shared_ptr<T>& target, Method action, unsigned events) {
        actions_.push_back({Action::bind(target, action), events});
    }
    void addAction(Action::Handler handler, unsigned events);
    // Removes the target's actions for the events (all of them with UIControlEventAllEvents).
    void removeTarget(const void* target, unsigned events);
    bool hasActions(unsigned events) const;
    // Sends every action registered for any of the events, as the control itself would.
    void sendActions(unsigned events);

    // A disabled control takes no touches: the tap goes to whatever is under it.
    std::shared_ptr<UIView> hitTest(CGPoint point, const std::shared_ptr<UIEvent>& event) override;
    void touchesBegan(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesCancelled(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;

private:
    struct Registration {
        Action action;
        unsigned events;
    };
    std::vector<Registration> actions_;
    bool enabled_ = true;
    bool selected_ = false;
    bool highlighted_ = false;
};
