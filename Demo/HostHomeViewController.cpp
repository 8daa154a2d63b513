#include "Demo/HostHomeViewController.h"

#include "Demo/DemoHost.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIView.h"
#include "Velmaro/Velmaro.h"

HostHomeViewController::HostHomeViewController() {
    setTitle("Acme Shop");
    setNamedAction("trackOrder:", [this](const std::shared_ptr<UIResponder>&, const std::shared_ptr<UIEvent>&) {
        trackOrder();
    });
}

void HostHomeViewController::loadView() {
    auto root = UIView::make(CGRect{0, 0, 375, 667});
    root->setBackgroundColor(UIColor::white());
    auto welcome = UIView::make<UILabel>(CGRect{20, 80, 335, 30});
    welcome->setText("Welcome to the Acme shop");
    root->addSubview(welcome);
    auto help = UIView::make<UIButton>(CGRect{20, 120, 335, 44});
    help->setTitle("Help & support", UIControlStateNormal);
    help->setBackgroundColor(DemoHost::acmeRed());
    help->layer()->setCornerRadius(8);
    // Weak: the button lives in this screen's view.
    help->addTarget(std::static_pointer_cast<HostHomeViewController>(shared_from_this()),
                    &HostHomeViewController::requestHelp, UIControlEventTouchUpInside);
    root->addSubview(help);

    auto heading = UIView::make<UILabel>(CGRect{20, 180, 335, 30});
    heading->setText("Track an order");
    root->addSubview(heading);
    auto order = UIView::make<UITextField>(CGRect{20, 216, 335, 34});
    order->setPlaceholder("Order number");
    order->setBorderStyle(UITextBorderStyle::roundedRect);
    root->addSubview(order);
    auto postcode = UIView::make<UITextField>(CGRect{20, 258, 335, 34});
    postcode->setPlaceholder("Postcode");
    postcode->setBorderStyle(UITextBorderStyle::roundedRect);
    root->addSubview(postcode);
    auto tracking = UIView::make<UILabel>(CGRect{20, 298, 335, 30});
    root->addSubview(tracking);
    orderField_ = order;
    postcodeField_ = postcode;
    trackingLabel_ = tracking;
    helpButton_ = help;
    setView(root);
}

void HostHomeViewController::viewWillAppear(bool animated) {
    UIViewController::viewWillAppear(animated);
    // The keyboard helper's Done on the last field sends this to the screen. The field holds its
    // target strongly, so the screen takes itself out again when it leaves.
    if (auto postcode = postcodeField()) velmaro::setDoneTarget(*postcode, shared_from_this(), "trackOrder:");
}

void HostHomeViewController::viewDidDisappear(bool animated) {
    UIViewController::viewDidDisappear(animated);
    if (auto postcode = postcodeField()) velmaro::setDoneTarget(*postcode, nullptr, std::nullopt);
}

void HostHomeViewController::requestHelp() {
    if (onHelpRequested) onHelpRequested();
}

void HostHomeViewController::trackOrder() {
    auto order = orderField(), postcode = postcodeField();
    auto label = trackingLabel();
    if (!order || !postcode || !label) return;
    label->setText("Tracking order " + order->text().value_or("") + " to " + postcode->text().value_or(""));
}
