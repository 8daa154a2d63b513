#include "UIKit/UITextField.h"

#include "Foundation/NotificationCenter.h"
#include "Foundation/TextHelpers.h"
#include "UIKit/TextEditing.h"

UITextField::UITextField() : UITextField(CGRect{}) {}

UITextField::UITextField(CGRect frame) : UIControl(frame) {}

void UITextField::setText(std::optional<std::string> text) {
    checkMainThread("setText");
    text_ = text.value_or(std::string());
}

void UITextField::setPlaceholder(std::optional<std::string> placeholder) {
    checkMainThread("setPlaceholder");
    placeholder_ = std::move(placeholder);
}

void UITextField::setTextColor(UIColor color) {
    checkMainThread("setTextColor");
    textColor_ = color;
}

void UITextField::setInputAccessoryView(std::shared_ptr<UIView> view) {
    checkMainThread("setInputAccessoryView");
    accessory_ = std::move(view);
}

bool UITextField::shouldBecomeFirstResponder() {
    auto delegate = delegate_.lock();
    return !delegate || delegate->textFieldShouldBeginEditing(sharedAs<UITextField>());
}

bool UITextField::canResignFirstResponder() const {
    auto delegate = delegate_.lock();
    if (!delegate || !editing_) return true;
    auto self = std::const_pointer_cast<UITextField>(
        std::static_pointer_cast<const UITextField>(shared_from_this()));
    return delegate->textFieldShouldEndEditing(self);
}

void UITextField::didBecomeFirstResponder() {
    auto self = sharedAs<UITextField>();
    editing_ = true;
    sendActions(UIControlEventEditingDidBegin);
    if (auto delegate = delegate_.lock()) delegate->textFieldDidBeginEditing(self);
    post(UITextFieldTextDidBeginEditingNotification);
}

void UITextField::didResignFirstResponder() {
    auto self = sharedAs<UITextField>();
    editing_ = false;
    sendActions(UIControlEventEditingDidEnd);
    if (auto delegate = delegate_.lock()) delegate->textFieldDidEndEditing(self);
    post(UITextFieldTextDidEndEditingNotification);
}

void UITextField::post(const std::string& name) {
    NotificationCenter::defaultCenter().post(name, notificationObject());
}

bool UITextField::insertText(const std::string& text) {
    const std::string& current = *text_;
    return replace(NSRange{utf16Length(current), 0}, text, current.size(), 0);
}

bool UITextField::deleteBackward() {
    const std::string& current = *text_;
    if (current.empty()) return false;
    auto last = TextEditing::lastGrapheme(current);
    return replace(last.range, "", last.byteStart, last.byteLength);
}

bool UITextField::replace(NSRange range, const std::string& replacement, std::size_t byteStart,
                          std::size_t byteLength) {
    checkMainThread("insertText");
    auto self = sharedAs<UITextField>();
    if (auto delegate = delegate_.lock()) {
        if (!delegate->textFieldShouldChangeCharacters(self, range, replacement)) return false;
    }
    std::string next = *text_;
    next.replace(byteStart, byteLength, replacement);
    text_ = std::move(next);
    sendActions(UIControlEventEditingChanged);
    post(UITextFieldTextDidChangeNotification);
    return true;
}

bool UITextField::handleReturnKey() {
    checkMainThread("handleReturnKey");
    auto self = sharedAs<UITextField>();
    if (auto delegate = delegate_.lock()) {
        if (!delegate->textFieldShouldReturn(self)) return false;
    }
    bool endsOnExit = hasActions(UIControlEventEditingDidEndOnExit);
    sendActions(UIControlEventEditingDidEndOnExit);
    if (endsOnExit) resignFirstResponder();
    return true;
}

void UITextField::touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) {
    if (!isEnabled()) return UIControl::touchesEnded(touches, event);
    auto self = sharedView();
    UIControl::touchesEnded(touches, event);
    becomeFirstResponder();
}

CGRect UITextField::textRectForBounds(CGRect bounds) const {
    // The platform's margins: 7 points inside a rounded box, 2 beside a plain line.
    const CGFloat margin = borderStyle_ == UITextBorderStyle::roundedRect ? 7
                           : borderStyle_ == UITextBorderStyle::line      ? 2
                                                                           : 0;
    return bounds.insetBy(margin, 0);
}
