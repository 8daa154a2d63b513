#pragma once

#include <memory>

#include "UIKit/UIView.h"

// The root of a view hierarchy on the glass. It keeps the first responder of the views inside it
// (weakly: a responder that leaves the window gives up the focus) and delivers touches.
class UIWindow : public UIView {
public:
    UIWindow();
    explicit UIWindow(CGRect frame);
    ~UIWindow() override;

    std::shared_ptr<UIView> firstResponder() const { return firstResponder_.lock(); }

    // Delivers one tap at a point of this window: gesture recognizers of the touched view and its
    // ancestors see it first; the touched view gets it unless a recognizer that recognised it
    // cancels touches in view. Main thread only.
    void sendTap(CGPoint point);

private:
    friend class UIView;
    std::weak_ptr<UIView> firstResponder_;
};
