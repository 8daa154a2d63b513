#pragma once

#include "UIKit/UIGestureRecognizer.h"

// Recognises taps; with one tap of one finger required (the default) it recognises when the
// finger lifts.
class UITapGestureRecognizer : public UIGestureRecognizer {
public:
    int numberOfTapsRequired() const { return taps_; }
    void setNumberOfTapsRequired(int taps) { taps_ = taps; }
    int numberOfTouchesRequired() const { return touches_; }
    void setNumberOfTouchesRequired(int touches) { touches_ = touches; }

    bool recognizesSingleTap() const override { return taps_ == 1 && touches_ == 1; }

private:
    int taps_ = 1;
    int touches_ = 1;
};
