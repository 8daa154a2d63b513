#include "Demo/HostHomeViewController.h"

#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIView.h"

HostHomeViewController::HostHomeViewController() { setTitle("Acme Shop"); }

void HostHomeViewController::loadView() {
    auto root = UIView::make(CGRect{0, 0, 375, 667});
    root->setBackgroundColor(UIColor::white());
    auto welcome = UIView::make<UILabel>(CGRect{20, 100, 335, 30});
    welcome->setText("Welcome to the Acme shop");
    root->addSubview(welcome);
    auto help = UIView::make<UIButton>(CGRect{20, 160, 335, 44});
    help->setTitle("Help & support", UIControlStateNormal);
    root->addSubview(help);
    setView(root);
}
