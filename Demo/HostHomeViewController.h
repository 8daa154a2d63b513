#pragma once

#include <functional>
#include <memory>

#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIViewController.h"

// The host application's own home screen: a shop with a way to reach support, and a small form
// to track an order. The form relies on the layer's keyboard helper for its toolbar; Done on the
// last field tracks the order.
class HostHomeViewController : public UIViewController {
public:
    HostHomeViewController();

    // What "Help & support" does: the host starts the support layer there.
    std::function<void()> onHelpRequested;

    std::shared_ptr<UITextField> orderField() const { return orderField_.lock(); }
    std::shared_ptr<UITextField> postcodeField() const { return postcodeField_.lock(); }
    std::shared_ptr<UILabel> trackingLabel() const { return trackingLabel_.lock(); }
    std::shared_ptr<UIButton> helpButton() const { return helpButton_.lock(); }

protected:
    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    void requestHelp();
    void trackOrder();

    std::weak_ptr<UITextField> orderField_;
    std::weak_ptr<UITextField> postcodeField_;
    std::weak_ptr<UILabel> trackingLabel_;
    std::weak_ptr<UIButton> helpButton_;
};
