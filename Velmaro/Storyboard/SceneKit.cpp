#include "Velmaro/Storyboard/SceneKit.h"

#include "UIKit/CALayer.h"
#include "UIKit/UIControl.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIStoryboard.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"

namespace velmaro {

std::shared_ptr<UIView> SceneKit::rootView() {
    auto view = UIView::make(screenBounds);
    view->setBackgroundColor(UIColor::white());
    view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    return view;
}

std::shared_ptr<UILabel> SceneKit::label(CGRect frame, std::string text) {
    auto label = UIView::make<UILabel>(frame);
    label->setText(std::move(text));
    label->setTextAlignment(NSTextAlignment::center);
    return label;
}

std::shared_ptr<UIButton> SceneKit::button(CGRect frame, std::string title, UIColor titleColor) {
    auto button = UIView::make<UIButton>(frame);
    button->setTitle(std::move(title), UIControlStateNormal);
    button->setTitleColor(titleColor, UIControlStateNormal);
    return button;
}

std::shared_ptr<UITextField> SceneKit::textField(CGRect frame, std::string placeholder) {
    auto field = UIView::make<UITextField>(frame);
    field->setPlaceholder(std::move(placeholder));
    field->setBorderStyle(UITextBorderStyle::roundedRect);
    return field;
}

UIColor SceneKit::linkColor() { return colorWithHexValue(0x0A5FC4); }

UIColor SceneKit::secondaryTextColor() { return colorWithHexValue(0x5B6475); }

void SceneKit::underBars(UIViewController& screen, const std::shared_ptr<UIView>& view,
                         UIViewController::GuidePin pin) {
    screen.pinToTopLayoutGuide(view, pin);
}

void SceneKit::onBottom(const std::shared_ptr<UIView>& view) {
    view->setAutoresizingMask(view->autoresizingMask() | UIViewAutoresizingFlexibleTopMargin);
}

std::shared_ptr<UIImage> SceneKit::image(const std::string& name) {
    return UIImage::named(name, velmaroBundle());
}

void SceneKit::pushOnTap(const std::shared_ptr<UIControl>& control, UIViewController& screen, std::string identifier) {
    std::weak_ptr<UIResponder> weak = screen.weak_from_this();
    control->addAction(
        [weak, identifier = std::move(identifier)](const std::shared_ptr<UIControl>&) {
            auto from = std::dynamic_pointer_cast<UIViewController>(weak.lock());
            if (!from) return;
            auto navigation = from->navigationController();
            auto storyboard = from->storyboard();
            if (!navigation || !storyboard) return;
            // A scene this build of the storyboard lacks leaves the control without effect.
            if (auto next = storyboard->instantiateViewController(identifier)) navigation->pushViewController(next, true);
        },
        UIControlEventTouchUpInside);
}

void SceneKit::addHeader(SceneKey key, const std::shared_ptr<UIView>& root, TitledViewController& screen,
                         CGFloat titleWidth) {
    auto avatar = UIView::make<UIImageView>(CGRect{16, 8, 40, 40});
    avatar->layer()->setCornerRadius(20);
    avatar->layer()->setMasksToBounds(true);
    auto title = UIView::make<UILabel>(CGRect{68, 8, titleWidth, 40});
    title->setTextAlignment(NSTextAlignment::left);
    root->addSubview(avatar);
    root->addSubview(title);
    underBars(screen, avatar);
    underBars(screen, title);
    screen.titleAvatar.connect(key, avatar);
    screen.titleLabel.connect(key, title);
}

}  // namespace velmaro
