#include "UIKit/UITouch.h"

#include "UIKit/UIWindow.h"

CGPoint UITouch::locationInView(const UIView* view) const {
    if (!view) return windowPoint_;
    auto w = window_.lock();
    if (!w) return windowPoint_;
    return view->convertPointFrom(windowPoint_, w.get());
}
