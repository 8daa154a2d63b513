#include "UIKit/UITextView.h"

#include <algorithm>

#include "Foundation/NotificationCenter.h"
#include "Foundation/TextHelpers.h"
#include "UIKit/TextEditing.h"
#include "UIKit/TextMetrics.h"

UITextView::UITextView() : UITextView(CGRect{}) {}

UITextView::UITextView(CGRect frame) : UIView(frame) {}

void UITextView::setText(std::string text) {
    checkMainThread("setText");
    text_ = std::move(text);
}

void UITextView::setTextColor(UIColor color) {
    checkMainThread("setTextColor");
    textColor_ = color;
}

void UITextView::setFont(UIFont font) {
    checkMainThread("setFont");
    font_ = std::move(font);
}

void UITextView::setTextContainerInset(UIEdgeInsets inset) {
    checkMainThread("setTextContainerInset");
    textContainerInset_ = inset;
}

CGSize UITextView::sizeThatFits(CGSize size) const {
    const auto& inset = textContainerInset_;
    CGFloat horizontal = inset.left + inset.right + 2 * lineFragmentPadding;
    CGFloat width = size.width > 0 ? std::max<CGFloat>(0, size.width - horizontal) : TextMetrics::unlimitedWidth;
    CGSize text = TextMetrics::size(text_, font_, width);
    if (text_.empty()) text.height = TextMetrics::lineHeight(font_);
    CGSize fitted{text.width + horizontal, text.height + inset.top + inset.bottom};
    if (size.width > 0) fitted.width = std::min(fitted.width, size.width);
    return fitted;
}

void UITextView::setEditable(bool editable) {
    checkMainThread("setEditable");
    editable_ = editable;
}

void UITextView::setInputAccessoryView(std::shared_ptr<UIView> view) {
    checkMainThread("setInputAccessoryView");
    accessory_ = std::move(view);
}

bool UITextView::shouldBecomeFirstResponder() {
    auto delegate = delegate_.lock();
    return !delegate || delegate->textViewShouldBeginEditing(sharedAs<UITextView>());
}

bool UITextView::canResignFirstResponder() const {
    auto delegate = delegate_.lock();
    if (!delegate || !editing_) return true;
    auto self = std::const_pointer_cast<UITextView>(
        std::static_pointer_cast<const UITextView>(shared_from_this()));
    return delegate->textViewShouldEndEditing(self);
}

void UITextView::didBecomeFirstResponder() {
    auto self = sharedAs<UITextView>();
    editing_ = true;
    if (auto delegate = delegate_.lock()) delegate->textViewDidBeginEditing(self);
    post(UITextViewTextDidBeginEditingNotification);
}

void UITextView::didResignFirstResponder() {
    auto self = sharedAs<UITextView>();
    editing_ = false;
    if (auto delegate = delegate_.lock()) delegate->textViewDidEndEditing(self);
    post(UITextViewTextDidEndEditingNotification);
}

void UITextView::post(const std::string& name) {
    NotificationCenter::defaultCenter().post(name, notificationObject());
}

bool UITextView::insertText(const std::string& text) {
    return replace(NSRange{utf16Length(text_), 0}, text, text_.size(), 0);
}

bool UITextView::deleteBackward() {
    if (text_.empty()) return false;
    auto last = TextEditing::lastGrapheme(text_);
    return replace(last.range, "", last.byteStart, last.byteLength);
}

bool UITextView::replace(NSRange range, const std::string& replacement, std::size_t byteStart,
                         std::size_t byteLength) {
    checkMainThread("insertText");
    if (!editable_) return false;
    auto self = sharedAs<UITextView>();
    auto delegate = delegate_.lock();
    if (delegate && !delegate->textViewShouldChangeTextInRange(self, range, replacement)) return false;
    text_.replace(byteStart, byteLength, replacement);
    if ((delegate = delegate_.lock())) delegate->textViewDidChange(self);
    post(UITextViewTextDidChangeNotification);
    return true;
}

void UITextView::touchesEnded(const UITouchSet&, const std::shared_ptr<UIEvent>&) {
    auto self = sharedView();
    becomeFirstResponder();
}
