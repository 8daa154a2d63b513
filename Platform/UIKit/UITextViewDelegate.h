#pragma once

#include <memory>
#include <string>

#include "Foundation/NSRange.h"

class UITextView;

// What a text view asks and tells its delegate; every answer has the platform's default.
class UITextViewDelegate {
public:
    virtual ~UITextViewDelegate() = default;
    virtual bool textViewShouldBeginEditing(const std::shared_ptr<UITextView>& /*view*/) { return true; }
    virtual void textViewDidBeginEditing(const std::shared_ptr<UITextView>& /*view*/) {}
    virtual bool textViewShouldEndEditing(const std::shared_ptr<UITextView>& /*view*/) { return true; }
    virtual void textViewDidEndEditing(const std::shared_ptr<UITextView>& /*view*/) {}
    // `range` counts UTF-16 code units of the current text.
    virtual bool textViewShouldChangeTextInRange(const std::shared_ptr<UITextView>& /*view*/,
                                                 NSRange /*range*/, const std::string& /*replacement*/) {
        return true;
    }
    virtual void textViewDidChange(const std::shared_ptr<UITextView>& /*view*/) {}
};
