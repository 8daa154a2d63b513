#include "UIKit/CALayer.h"

#include <algorithm>

#include "UIKit/UIView.h"

std::shared_ptr<UIView> CALayer::delegate() const {
    return view_ ? view_->sharedView() : nullptr;
}

// A layer's main-thread check is its view's; free-standing layers are not checked.
void CALayer::checkMainThread(const char* operation) const {
    if (view_) view_->checkMainThread(operation);
}

CGRect CALayer::frame() const { return view_ ? view_->frame() : frame_; }

void CALayer::setFrame(CGRect frame) {
    if (view_) return view_->setFrame(frame);
    frame_ = frame;
}

CGRect CALayer::bounds() const {
    return view_ ? view_->bounds() : CGRect{0, 0, frame_.size.width, frame_.size.height};
}

void CALayer::setCornerRadius(CGFloat radius) {
    checkMainThread("setCornerRadius");
    cornerRadius_ = radius;
}

void CALayer::setMasksToBounds(bool masks) {
    checkMainThread("setMasksToBounds");
    masksToBounds_ = masks;
}

void CALayer::setBorderWidth(CGFloat width) {
    checkMainThread("setBorderWidth");
    borderWidth_ = width;
}

void CALayer::setBorderColor(std::optional<UIColor> color) {
    checkMainThread("setBorderColor");
    borderColor_ = color;
}

void CALayer::setShadowColor(std::optional<UIColor> color) {
    checkMainThread("setShadowColor");
    shadowColor_ = color;
}

void CALayer::setShadowOffset(CGSize offset) {
    checkMainThread("setShadowOffset");
    shadowOffset_ = offset;
}

void CALayer::setShadowOpacity(float opacity) {
    checkMainThread("setShadowOpacity");
    shadowOpacity_ = opacity;
}

void CALayer::setShadowRadius(CGFloat radius) {
    checkMainThread("setShadowRadius");
    shadowRadius_ = radius;
}

void CALayer::setOpacity(float opacity) {
    checkMainThread("setOpacity");
    opacity_ = std::clamp(opacity, 0.0f, 1.0f);
}

void CALayer::setSublayerTransform(const CATransform3D& transform) {
    checkMainThread("setSublayerTransform");
    sublayerTransform_ = transform;
}

void CALayer::setMask(std::shared_ptr<CALayer> mask) {
    checkMainThread("setMask");
    mask_ = std::move(mask);
}

void CALayer::addSublayer(std::shared_ptr<CALayer> layer) {
    if (!layer || layer.get() == this) return;
    checkMainThread("addSublayer");
    layer->removeFromSuperlayer();
    layer->superlayer_ = weak_from_this();
    sublayers_.push_back(std::move(layer));
}

void CALayer::removeFromSuperlayer() {
    auto parent = superlayer_.lock();
    if (!parent) return;
    auto keep = shared_from_this();
    auto& list = parent->sublayers_;
    list.erase(std::remove(list.begin(), list.end(), keep), list.end());
    superlayer_.reset();
}
