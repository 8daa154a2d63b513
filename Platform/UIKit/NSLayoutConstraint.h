#pragma once

#include <memory>

#include "UIKit/CGPoint.h"

class UIView;

// A constraint that pins one attribute of a view to a constant within its superview: the top
// or leading edge measured from the superview's bounds origin, or the width or height. Active
// constraints are kept by their view; a new constant moves the view on the superview's next
// layoutIfNeeded.
class NSLayoutConstraint : public std::enable_shared_from_this<NSLayoutConstraint> {
public:
    enum class Attribute { top, leading, width, height };

    // Made active.
    static std::shared_ptr<NSLayoutConstraint> make(const std::shared_ptr<UIView>& item,
                                                    Attribute attribute, CGFloat constant);
    NSLayoutConstraint(const std::shared_ptr<UIView>& item, Attribute attribute, CGFloat constant);

    std::shared_ptr<UIView> firstItem() const { return item_.lock(); }
    Attribute attribute() const { return attribute_; }
    CGFloat constant() const { return constant_; }
    void setConstant(CGFloat constant);
    bool isActive() const { return active_; }
    void setActive(bool active);

private:
    friend class UIView;
    void apply();
    void markLayout();

    std::weak_ptr<UIView> item_;
    Attribute attribute_;
    CGFloat constant_;
    bool active_ = false;
};
