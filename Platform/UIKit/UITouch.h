#pragma once

#include <memory>

#include "UIKit/CGPoint.h"

class UIView;
class UIWindow;

// One touch of a finger: where it is on its window and the view it started in.
class UITouch {
public:
    enum class Phase { began, ended, cancelled };

    UITouch(std::shared_ptr<UIWindow> window, std::shared_ptr<UIView> view, CGPoint windowPoint)
        : window_(window), view_(view), windowPoint_(windowPoint) {}

    std::shared_ptr<UIWindow> window() const { return window_.lock(); }
    std::shared_ptr<UIView> view() const { return view_.lock(); }
    // The location in the given view's coordinates (the window's when view is null).
    CGPoint locationInView(const UIView* view) const;
    Phase phase() const { return phase_; }
    void setPhase(Phase phase) { phase_ = phase; }

private:
    std::weak_ptr<UIWindow> window_;
    std::weak_ptr<UIView> view_;
    CGPoint windowPoint_;
    Phase phase_ = Phase::began;
};
