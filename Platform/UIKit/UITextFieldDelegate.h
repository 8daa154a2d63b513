#pragma once

#include <memory>
#include <string>

#include "Foundation/NSRange.h"

class UITextField;

// What a text field asks and tells its delegate; every answer has the platform's default.
class UITextFieldDelegate {
public:
    virtual ~UITextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(const std::shared_ptr<UITextField>& /*field*/) { return true; }
    virtual void textFieldDidBeginEditing(const std::shared_ptr<UITextField>& /*field*/) {}
    virtual bool textFieldShouldEndEditing(const std::shared_ptr<UITextField>& /*field*/) { return true; }
    virtual void textFieldDidEndEditing(const std::shared_ptr<UITextField>& /*field*/) {}
    // `range` counts UTF-16 code units of the current text.
    virtual bool textFieldShouldChangeCharacters(const std::shared_ptr<UITextField>& /*field*/,
                                                 NSRange /*range*/, const std::string& /*replacement*/) {
        return true;
    }
    virtual bool textFieldShouldReturn(const std::shared_ptr<UITextField>& /*field*/) { return true; }
};
