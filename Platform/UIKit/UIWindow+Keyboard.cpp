#include <algorithm>

#include "UIKit/UIKeyboard.h"
#include "UIKit/UIWindow.h"

void UIWindow::updateKeyboard() {
    if (keyboardDeferrals_ > 0) {
        keyboardNeedsUpdate_ = true;
        return;
    }
    auto self = sharedView();
    // The focus moved (the field being edited looks different) or the keyboard will.
    glassChanged();
    // An observer may move the focus again; follow it, but not forever.
    for (int round = 0; round < 8; ++round) {
        keyboardNeedsUpdate_ = false;
        auto responder = firstResponder_.lock();
        if (responder && responder->takesKeyboardInput()) {
            CGFloat height = UIKeyboard::standardHeight;
            if (auto accessory = responder->inputAccessoryView()) height += std::max<CGFloat>(0, accessory->frame().size.height);
            CGRect end = UIKeyboard::shownFrame(bounds(), height);
            if (keyboardOwner_.lock() == responder && keyboardFrame_ == end) return;
            CGRect begin = keyboardFrame_.value_or(UIKeyboard::hiddenFrame(bounds(), height));
            keyboardOwner_ = responder;
            keyboardFrame_ = end;
            KeyboardDeferral posting(*this);
            UIKeyboard::postShowing(begin, end);
        } else if (keyboardFrame_) {
            CGRect begin = *keyboardFrame_;
            keyboardOwner_.reset();
            keyboardFrame_.reset();
            KeyboardDeferral posting(*this);
            UIKeyboard::postHiding(begin, UIKeyboard::hiddenFrame(bounds(), begin.size.height));
        } else {
            return;
        }
        if (!keyboardNeedsUpdate_) return;
    }
}
