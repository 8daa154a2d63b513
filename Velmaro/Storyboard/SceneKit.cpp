#include "Velmaro/Storyboard/SceneKit.h"

#include "UIKit/CALayer.h"
#include "UIKit/UIControl.h"
#include "Velmaro/Storyboard/VelmaroBundle.h"

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

std::shared_ptr<UIButton> SceneKit::button(CGRect frame, std::string title) {
    auto button = UIView::make<UIButton>(frame);
    button->setTitle(std::move(title), UIControlStateNormal);
    return button;
}

std::shared_ptr<UIImage> SceneKit::image(const std::string& name) {
    return UIImage::named(name, velmaroBundle());
}

SceneKit::Header SceneKit::addHeader(const std::shared_ptr<UIView>& root) {
    Header header;
    header.avatar = UIView::make<UIImageView>(CGRect{16, 12, 40, 40});
    header.avatar->layer()->setCornerRadius(20);
    header.avatar->layer()->setMasksToBounds(true);
    header.title = UIView::make<UILabel>(CGRect{68, 12, 291, 40});
    header.title->setTextAlignment(NSTextAlignment::left);
    root->addSubview(header.avatar);
    root->addSubview(header.title);
    return header;
}

}  // namespace velmaro
