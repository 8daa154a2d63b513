#include "UIKit/NSLayoutConstraint.h"

#include <algorithm>

#include "UIKit/UIView.h"

std::shared_ptr<NSLayoutConstraint> NSLayoutConstraint::make(const std::shared_ptr<UIView>& item,
                                                             Attribute attribute, CGFloat constant) {
    auto constraint = std::make_shared<NSLayoutConstraint>(item, attribute, constant);
    constraint->setActive(true);
    return constraint;
}

NSLayoutConstraint::NSLayoutConstraint(const std::shared_ptr<UIView>& item, Attribute attribute,
                                       CGFloat constant)
    : item_(item), attribute_(attribute), constant_(constant) {}

void NSLayoutConstraint::setConstant(CGFloat constant) {
    if (auto item = item_.lock()) item->checkMainThread("NSLayoutConstraint.setConstant");
    constant_ = constant;
    markLayout();
}

void NSLayoutConstraint::setActive(bool active) {
    auto item = item_.lock();
    if (!item || active == active_) return;
    active_ = active;
    auto& list = item->constraints_;
    if (active) {
        list.push_back(shared_from_this());
        markLayout();
    } else {
        auto keep = shared_from_this();
        list.erase(std::remove(list.begin(), list.end(), keep), list.end());
    }
}

void NSLayoutConstraint::markLayout() {
    auto item = item_.lock();
    if (!item) return;
    if (auto superview = item->superview()) superview->setNeedsLayout();
    if (attribute_ == Attribute::width || attribute_ == Attribute::height) item->setNeedsLayout();
}

// Works on center and bounds, so a transform in force (a scale to zero) does not distort it.
void NSLayoutConstraint::apply() {
    auto item = item_.lock();
    if (!item || !active_) return;
    auto superview = item->superview();
    CGRect container = superview ? superview->bounds() : CGRect{};
    CGRect bounds = item->bounds();
    CGPoint center = item->center();
    switch (attribute_) {
        case Attribute::top:
            center.y = container.origin.y + constant_ + bounds.size.height / 2;
            break;
        case Attribute::leading:
            center.x = container.origin.x + constant_ + bounds.size.width / 2;
            break;
        case Attribute::width:
            center.x += (constant_ - bounds.size.width) / 2;
            bounds.size.width = constant_;
            break;
        case Attribute::height:
            center.y += (constant_ - bounds.size.height) / 2;
            bounds.size.height = constant_;
            break;
    }
    if (!(center == item->center())) item->setCenter(center);
    if (!(bounds == item->bounds())) item->setBounds(bounds);
}
