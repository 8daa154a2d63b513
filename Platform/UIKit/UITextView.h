#pragma once

#include <memory>
#include <string>

#include "UIKit/UIEdgeInsets.h"
#include "UIKit/UIFont.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITextViewDelegate.h"
#include "UIKit/UIView.h"

inline const std::string UITextViewTextDidBeginEditingNotification = "UITextViewTextDidBeginEditingNotification";
inline const std::string UITextViewTextDidChangeNotification = "UITextViewTextDidChangeNotification";
inline const std::string UITextViewTextDidEndEditingNotification = "UITextViewTextDidEndEditingNotification";

// A multi-line text. It takes the focus while editable or selectable; beginning and ending
// editing call the delegate and then post the notification (object: the text view). A user's
// edit asks should-change-text-in-range, changes the text, calls did-change and posts the
// did-change notification. Setting `text` in code does none of that.
class UITextView : public UIView {
public:
    UITextView();
    explicit UITextView(CGRect frame);

    const std::string& text() const { return text_; }
    void setText(std::string text);
    UIColor textColor() const { return textColor_; }
    void setTextColor(UIColor color);
    const UIFont& font() const { return font_; }
    void setFont(UIFont font);
    // Between the view's edges and its text; the platform's 8 points above and below by default.
    UIEdgeInsets textContainerInset() const { return textContainerInset_; }
    // Room the text keeps from the container's left and right edges, as on the platform.
    static constexpr CGFloat lineFragmentPadding = 5;
    void setTextContainerInset(UIEdgeInsets inset);
    // The text measured at the width (less the insets; none or 0: unlimited) plus the insets. An
    // empty text view is one line high, where the caret goes.
    CGSize sizeThatFits(CGSize size) const override;
    bool isEditable() const { return editable_; }
    void setEditable(bool editable);
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }
    std::shared_ptr<UITextViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<UITextViewDelegate> delegate) { delegate_ = std::move(delegate); }
    std::shared_ptr<UIView> inputAccessoryView() const override { return accessory_; }
    void setInputAccessoryView(std::shared_ptr<UIView> view);
    bool isEditing() const { return editing_; }

    bool canBecomeFirstResponder() const override { return editable_ || selectable_; }
    bool canResignFirstResponder() const override;
    bool takesKeyboardInput() const override { return editable_; }

    // The keyboard's keys; they do nothing on a text view that is not editable. The return key
    // inserts a line break. False when nothing changed.
    bool insertText(const std::string& text);
    bool deleteBackward();

    void touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;

protected:
    bool shouldBecomeFirstResponder() override;
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;

private:
    bool replace(NSRange range, const std::string& replacement, std::size_t byteStart, std::size_t byteLength);
    void post(const std::string& name);

    std::string text_;
    UIColor textColor_ = UIColor::black();
    UIFont font_ = UIFont::systemFont(12);
    UIEdgeInsets textContainerInset_{8, 0, 8, 0};
    bool editable_ = true;
    bool selectable_ = true;
    bool editing_ = false;
    std::weak_ptr<UITextViewDelegate> delegate_;
    std::shared_ptr<UIView> accessory_;
};
