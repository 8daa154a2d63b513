#pragma once

#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIViewController.h"
#include "Velmaro/Helpers/Outlet.h"

namespace velmaro {

// A screen whose header shows the tenant: "<company> support" and the company's avatar on the
// brand colour. Derived screens run this class's viewDidLoad first in their own.
class TitledViewController : public UIViewController {
public:
    void viewDidLoad() override;

    Outlet<UILabel> titleLabel;
    Outlet<UIImageView> titleAvatar;
};

}  // namespace velmaro
