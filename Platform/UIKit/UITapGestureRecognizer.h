#pragma once

#include "UIKit/UIGestureRecognizer.h"

// Recognises taps; with one tap required (the default) it recognises when the
// finger lifts.
class UITapGestureRecognizer : public UIGestureRecognizer {
public:
    void setNumberOfTapsRequired(int taps) { taps_ = taps; }

    bool recognizesSingleTap() const override { return taps_ == 1; }

private:
    int taps_ = 1;
};
