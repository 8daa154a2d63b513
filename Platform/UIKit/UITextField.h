#pragma once

#include <memory>
#include <optional>
#include <string>

#include "UIKit/UIControl.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITextFieldDelegate.h"

inline const std::string UITextFieldTextDidBeginEditingNotification = "UITextFieldTextDidBeginEditingNotification";
inline const std::string UITextFieldTextDidChangeNotification = "UITextFieldTextDidChangeNotification";
inline const std::string UITextFieldTextDidEndEditingNotification = "UITextFieldTextDidEndEditingNotification";

// The platform's values, which screens compare against.
// How a field frames its text: none draws the bare text at its edges; roundedRect draws a
// white rounded box and keeps the text, caret and placeholder inside its margins.
enum class UITextBorderStyle { none, line, roundedRect };

enum class UIReturnKeyType {
    defaultKey = 0, go = 1, google = 2, join = 3, next = 4, route = 5, search = 6, send = 7,
    yahoo = 8, done = 9, emergencyCall = 10, continueKey = 11,
};

// A one-line editable text. Editing is first-responder status: beginning and ending it send, in
// this order, the control event (editing did begin/end), the delegate call (did begin/end) and
// the notification (object: the field; see UIView::viewForNotificationObject). A user's edit
// asks the delegate's should-change, then changes the text, sends editing-changed and posts the
// did-change notification. Setting `text` in code does none of that.
class UITextField : public UIControl {
public:
    UITextField();
    explicit UITextField(CGRect frame);

    // Never absent after construction, as on the platform: setting nothing stores "".
    const std::optional<std::string>& text() const { return text_; }
    void setText(std::optional<std::string> text);
    const std::optional<std::string>& placeholder() const { return placeholder_; }
    void setPlaceholder(std::optional<std::string> placeholder);
    UIColor textColor() const { return textColor_; }
    void setTextColor(UIColor color);
    NSTextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(NSTextAlignment alignment) { alignment_ = alignment; }
    UITextBorderStyle borderStyle() const { return borderStyle_; }
    void setBorderStyle(UITextBorderStyle style) { borderStyle_ = style; }
    // Where the text, placeholder and caret go within `bounds`: inside the border's margins.
    CGRect textRectForBounds(CGRect bounds) const;
    // The placeholder's grey, dark enough to read on the field's white.
    static constexpr UIColor placeholderColor{0.44, 0.44, 0.46, 1};
    UIReturnKeyType returnKeyType() const { return returnKeyType_; }
    void setReturnKeyType(UIReturnKeyType type) { returnKeyType_ = type; }
    bool isSecureTextEntry() const { return secure_; }
    void setSecureTextEntry(bool secure) { secure_ = secure; }
    std::shared_ptr<UITextFieldDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<UITextFieldDelegate> delegate) { delegate_ = std::move(delegate); }
    std::shared_ptr<UIView> inputAccessoryView() const override { return accessory_; }
    void setInputAccessoryView(std::shared_ptr<UIView> view);
    bool isEditing() const { return editing_; }

    bool canBecomeFirstResponder() const override { return isEnabled(); }
    bool canResignFirstResponder() const override;
    bool takesKeyboardInput() const override { return true; }

    // The keyboard's keys (what a user's typing does): insert at the end, delete the last
    // character, and the return key (should-return, then editing-did-end-on-exit, after which a
    // field with actions for that event gives up the focus). False when the delegate refused.
    bool insertText(const std::string& text);
    bool deleteBackward();
    bool handleReturnKey();

    void touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;

protected:
    bool shouldBecomeFirstResponder() override;
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;

private:
    bool replace(NSRange range, const std::string& replacement, std::size_t byteStart, std::size_t byteLength);
    void post(const std::string& name);

    std::optional<std::string> text_ = std::string();
    std::optional<std::string> placeholder_;
    UIColor textColor_ = UIColor::black();
    NSTextAlignment alignment_ = NSTextAlignment::natural;
    UIReturnKeyType returnKeyType_ = UIReturnKeyType::defaultKey;
    UITextBorderStyle borderStyle_ = UITextBorderStyle::none;
    bool secure_ = false;
    bool editing_ = false;
    std::weak_ptr<UITextFieldDelegate> delegate_;
    std::shared_ptr<UIView> accessory_;
};
