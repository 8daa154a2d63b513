#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/UIResponder.h"
#include "UIKit/UIView.h"
#include "Velmaro/Helpers/KHToolbar.h"

namespace velmaro {

// What the keyboard helper asks of any view, public in its own right. Main thread only.

// A view class as a value: it matches views of the class or of a subclass.
class ViewClass {
public:
    template <class T>
    static ViewClass of() {
        return ViewClass([](const UIView& view) { return dynamic_cast<const T*>(&view) != nullptr; });
    }
    bool matches(const UIView& view) const { return matches_(view); }

private:
    explicit ViewClass(bool (*test)(const UIView&)) : matches_(test) {}
    bool (*matches_)(const UIView&);
};

// The nearest ancestor of the class, skipping the toolkit's private scroll containers; null when
// none qualifies.
std::shared_ptr<UIView> superviewOfClassType(const UIView& view, ViewClass viewClass);
template <class T>
std::shared_ptr<T> superviewOfClassType(const UIView& view) {
    return std::static_pointer_cast<T>(superviewOfClassType(view, ViewClass::of<T>()));
}

// Whether the view is an input the toolbar may move the focus to: it can become first
// responder, takes touches, is not hidden or fully transparent, and is an enabled text field or
// an editable text view if it is either.
bool isResponderCandidate(const UIView& view);
// The candidates among the superview's direct subviews (this view included), in subview order;
// empty without a superview.
std::vector<std::shared_ptr<UIView>> responderSiblings(const UIView& view);
// The candidates anywhere below the view, in reading order (sortTextFieldsByOrigin). Nothing
// below a candidate is searched.
std::vector<std::shared_ptr<UIView>> deepResponderViews(const UIView& view);
// Top edge first, then left edge, both in the view's coordinates.
std::vector<std::shared_ptr<UIView>> sortTextFieldsByOrigin(const UIView& view,
                                                            std::vector<std::shared_ptr<UIView>> texFields);

// A target and a named action (see UIResponder::performAction) kept on a view for one of the
// toolbar's buttons. The view holds the target strongly, so a target that owns the view keeps
// both alive until the slot is emptied.
struct Invocation {
    std::shared_ptr<UIResponder> target;
    std::optional<std::string> action;

    bool isComplete() const { return target && action; }
};

// The invocation last stored for that button on the view, or an empty one.
Invocation previousInvocation(const UIView& view);
Invocation nextInvocation(const UIView& view);
Invocation doneInvocation(const UIView& view);
void setPreviousInvocation(UIView& view, Invocation invocation);
void setNextInvocation(UIView& view, Invocation invocation);
void setDoneInvocation(UIView& view, Invocation invocation);
void setPreviousTarget(UIView& view, std::shared_ptr<UIResponder> target, std::optional<std::string> action);
void setNextTarget(UIView& view, std::shared_ptr<UIResponder> target, std::optional<std::string> action);
void setDoneTarget(UIView& view, std::shared_ptr<UIResponder> target, std::optional<std::string> action);

// Installs a toolbar with the Done button alone as the input's accessory view. `action` is a
// member of T taking nothing or the pressed item; the target is held weakly by the button.
template <class T, class Method>
void setupToolbarWithDoneButton(UIView& input, const std::shared_ptr<T>& target, Method action) {
    auto items = KeyboardToolbarItems::make();
    items.done->setTarget(target, action);
    installKeyboardToolbar(input, items, KeyboardToolbarLayout::doneOnly);
}

// Installs a toolbar with the previous and next arrows and the Done button.
template <class T, class Previous, class Next, class Done>
void setupToolbarWithDirectionAndDoneButtons(UIView& input, const std::shared_ptr<T>& target, Previous previousAction,
                                             Next nextAction, Done doneAction) {
    auto items = KeyboardToolbarItems::make();
    items.previous->setTarget(target, previousAction);
    items.next->setTarget(target, nextAction);
    items.done->setTarget(target, doneAction);
    installKeyboardToolbar(input, items, KeyboardToolbarLayout::directionsAndDone);
}

}  // namespace velmaro
