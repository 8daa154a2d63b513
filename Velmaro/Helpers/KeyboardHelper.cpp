#include "Velmaro/Helpers/KeyboardHelper.h"

#include <algorithm>

#include "UIKit/UIApplication.h"
#include "UIKit/UIControl.h"
#include "UIKit/UIDevice.h"
#include "UIKit/UIEvent.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/Helpers/KHExtensions.h"

namespace velmaro {

namespace {

std::shared_ptr<KeyboardHelper>& instance() {
    static std::shared_ptr<KeyboardHelper> helper;
    return helper;
}

// Containers inside which previous and next span every input, not just the siblings. (The
// toolkit has no collection view; it would follow the table.)
const std::vector<ViewClass>& toolbarPreviousNextAllowedClasses() {
    static const std::vector<ViewClass> classes{ViewClass::of<UITableView>()};
    return classes;
}

}  // namespace

const std::shared_ptr<KeyboardHelper>& KeyboardHelper::shared() {
    auto& helper = instance();
    if (!helper) {
        helper.reset(new KeyboardHelper());
        helper->startObserving();
    }
    return helper;
}

void KeyboardHelper::resetSharedForTesting() { instance().reset(); }

void KeyboardHelper::startObserving() {
    auto& center = NotificationCenter::defaultCenter();
    std::weak_ptr<KeyboardHelper> weak = shared_from_this();
    // Observed synchronously: the toolbar must be in place before the keyboard measures itself.
    for (const auto* name : {&UITextFieldTextDidBeginEditingNotification, &UITextViewTextDidBeginEditingNotification}) {
        observers_.push_back(center.addObserver(*name, nullptr, [weak](const Notification& note) {
            if (auto self = weak.lock()) self->textTypeViewEditingBegan(note);
        }));
    }
    for (const auto* name : {&UITextFieldTextDidEndEditingNotification, &UITextViewTextDidEndEditingNotification}) {
        observers_.push_back(center.addObserver(*name, nullptr, [weak](const Notification& note) {
            if (auto self = weak.lock()) self->textTypeViewEditingEnded(note);
        }));
    }
    dismissOnTapGesture_ = std::make_shared<UITapGestureRecognizer>();
    dismissOnTapGesture_->addTarget(shared_from_this(), &KeyboardHelper::tapRecognized);
    dismissOnTapGesture_->setDelegate(weak);
    // The tapped view still gets its tap.
    dismissOnTapGesture_->setCancelsTouchesInView(false);
    dismissOnTapGesture_->setEnabled(true);
}

KeyboardHelper::~KeyboardHelper() {
    enable = false;
    observers_.clear();
    if (dismissOnTapGesture_) {
        if (auto attached = dismissOnTapGesture_->view()) attached->removeGestureRecognizer(dismissOnTapGesture_);
    }
}

// ----- Editing

void KeyboardHelper::textTypeViewEditingBegan(const Notification& notification) {
    if (!enable) return;
    auto input = UIView::viewForNotificationObject(notification.object);
    textTypeView_ = input;
    addToolbar();
    if (!input) return;
    if (auto window = input->window()) window->addGestureRecognizer(dismissOnTapGesture_);
}

void KeyboardHelper::textTypeViewEditingEnded(const Notification&) {
    // Detached from wherever it is: an input taken out of its window ends editing with no window
    // left to name, and the tap must not stay behind on the old one.
    if (auto attached = dismissOnTapGesture_->view()) attached->removeGestureRecognizer(dismissOnTapGesture_);
    textTypeView_.reset();
}

std::vector<std::shared_ptr<UIView>> KeyboardHelper::responderViews() const {
    auto input = textTypeView_.lock();
    if (!input) return {};
    for (const auto& viewClass : toolbarPreviousNextAllowedClasses()) {
        if (auto container = superviewOfClassType(*input, viewClass)) return deepResponderViews(*container);
    }
    return responderSiblings(*input);
}

void KeyboardHelper::addToolbar() {
    auto input = textTypeView_.lock();
    if (!input) return;
    const auto inputs = responderViews();
    auto self = shared_from_this();
    if (inputs.size() == 1) {
        // A lone input keeps an accessory view of its own.
        if (!input->inputAccessoryView()) setupToolbarWithDoneButton(*input, self, &KeyboardHelper::doneAction);
    } else if (inputs.size() > 1 && acceptsInputAccessoryView(*input)) {
        setupToolbarWithDirectionAndDoneButtons(*input, self, &KeyboardHelper::previousAction,
                                                &KeyboardHelper::nextAction, &KeyboardHelper::doneAction);
    }
}

// ----- Buttons

void KeyboardHelper::previousAction(const std::shared_ptr<UIBarButtonItem>&) {
    moveFocus(-1, SelectorAndTargetType::previous);
}

void KeyboardHelper::nextAction(const std::shared_ptr<UIBarButtonItem>&) { moveFocus(+1, SelectorAndTargetType::next); }

void KeyboardHelper::moveFocus(int direction, SelectorAndTargetType kind) {
    auto origin = textTypeView_.lock();
    if (!origin) return;
    const auto inputs = responderViews();
    if (std::find(inputs.begin(), inputs.end(), origin) == inputs.end()) return;
    UIDevice::current().playInputClick();
    if (focusOnOtherTextField(origin, inputs, direction)) sendStoredAction(origin, kind);
}

bool KeyboardHelper::focusOnOtherTextField(const std::shared_ptr<UIView>& origin,
                                           const std::vector<std::shared_ptr<UIView>>& inputs, int direction) {
    const auto position = std::find(inputs.begin(), inputs.end(), origin) - inputs.begin();
    const auto target = position + direction;
    if (target < 0 || target >= static_cast<std::ptrdiff_t>(inputs.size())) return false;
    if (inputs[static_cast<std::size_t>(target)]->becomeFirstResponder()) return true;
    origin->becomeFirstResponder();
    return false;
}

void KeyboardHelper::doneAction(const std::shared_ptr<UIBarButtonItem>&) {
    UIDevice::current().playInputClick();
    auto input = textTypeView_.lock();
    if (!input) return;
    if (input->resignFirstResponder()) {
        sendStoredAction(input, SelectorAndTargetType::done);
    } else {
        input->becomeFirstResponder();
    }
}

void KeyboardHelper::sendStoredAction(const std::shared_ptr<UIView>& input, SelectorAndTargetType kind) {
    Invocation invocation;
    switch (kind) {
        case SelectorAndTargetType::previous: invocation = previousInvocation(*input); break;
        case SelectorAndTargetType::next: invocation = nextInvocation(*input); break;
        case SelectorAndTargetType::done: invocation = doneInvocation(*input); break;
    }
    if (!invocation.isComplete()) return;
    UIApplication::shared()->sendAction(*invocation.action, invocation.target, input, std::make_shared<UIEvent>());
}

bool KeyboardHelper::resignFirstResponder() {
    auto input = textTypeView_.lock();
    if (!input) return false;
    if (input->resignFirstResponder()) return true;
    input->becomeFirstResponder();
    return false;
}

// ----- Tap to dismiss

void KeyboardHelper::tapRecognized(const std::shared_ptr<UIGestureRecognizer>& gesture) {
    if (gesture && gesture->state() == UIGestureRecognizer::State::ended) resignFirstResponder();
}

bool KeyboardHelper::gestureRecognizerShouldReceiveTouch(UIGestureRecognizer&, const UITouch& touch) {
    auto view = touch.view();
    return !std::dynamic_pointer_cast<UIControl>(view) && !std::dynamic_pointer_cast<UINavigationBar>(view);
}

bool KeyboardHelper::gestureRecognizerShouldRecognizeSimultaneously(UIGestureRecognizer&, UIGestureRecognizer&) {
    return false;
}

}  // namespace velmaro
