#pragma once

#include "UIKit/UIViewController.h"

// The host application's own home screen: a shop with a way to reach support.
class HostHomeViewController : public UIViewController {
public:
    HostHomeViewController();

protected:
    void loadView() override;
};
