#include "UIKit/UIButton.h"

#include "UIKit/UIGestureRecognizer.h"
#include "UIKit/UINavigationBar.h"

UIButton::Appearance& UIButton::navigationBarAppearance() {
    static Appearance appearance;
    return appearance;
}

UIButton::UIButton() : UIButton(CGRect{}) {}

UIButton::UIButton(CGRect frame) : UIControl(frame) {}

UIButton::UIButton(ButtonType type) : UIControl(CGRect{}), type_(type) {}

template <class V>
V UIButton::lookup(const std::map<unsigned, V>& values, unsigned state) {
    if (auto it = values.find(state); it != values.end()) return it->second;
    if (auto it = values.find(UIControlStateNormal); it != values.end()) return it->second;
    return V{};
}

void UIButton::setTitle(std::optional<std::string> title, unsigned state) {
    checkMainThread("setTitle");
    titles_[state] = std::move(title);
}

std::optional<std::string> UIButton::title(unsigned state) const { return lookup(titles_, state); }

void UIButton::setTitleColor(std::optional<UIColor> color, unsigned state) {
    checkMainThread("setTitleColor");
    titleColors_[state] = color;
}

std::optional<UIColor> UIButton::titleColor(unsigned state) const {
    return lookup(titleColors_, state);
}

void UIButton::setImage(std::shared_ptr<UIImage> image, unsigned state) {
    checkMainThread("setImage");
    images_[state] = std::move(image);
}

std::shared_ptr<UIImage> UIButton::image(unsigned state) const { return lookup(images_, state); }

void UIButton::setBackgroundImage(std::shared_ptr<UIImage> image, unsigned state) {
    checkMainThread("setBackgroundImage");
    backgroundImages_[state] = std::move(image);
}

std::shared_ptr<UIImage> UIButton::backgroundImage(unsigned state) const {
    return lookup(backgroundImages_, state);
}

// A button's own tap wins over a single-tap recognizer of an enclosing view.
bool UIButton::gestureRecognizerShouldBegin(const UIGestureRecognizer& recognizer) const {
    if (!isEnabled()) return true;
    auto owner = recognizer.view();
    if (owner.get() == this) return true;
    return !recognizer.recognizesSingleTap();
}

void UIButton::didMoveToWindow() {
    UIControl::didMoveToWindow();
    if (appearanceApplied_ || !window()) return;
    appearanceApplied_ = true;
    const auto& appearance = navigationBarAppearance();
    if (!appearance.tintColor || hasOwnTintColor()) return;
    for (auto v = superview(); v; v = v->superview()) {
        if (dynamic_cast<UINavigationBar*>(v.get())) {
            setTintColor(appearance.tintColor);
            return;
        }
    }
}
