#include "Velmaro/VelmaroApplication.h"

#include "UIKit/TextAttributes.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIControl.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITabBarController.h"

namespace velmaro {

void VelmaroApplication::utilizePrimaryColor(const UIColor& primaryColor) {
    const TextAttributes foreground{{NSForegroundColorAttributeName, primaryColor}};
    UINavigationBar::appearance().tintColor = primaryColor;
    UINavigationBar::appearance().titleTextAttributes = foreground;
    UIBarButtonItem::appearance().titleTextAttributes[UIControlStateNormal] = foreground;
    UIButton::appearanceWhenContainedInInstancesOfClasses<UINavigationBar>().tintColor = primaryColor;
}

std::shared_ptr<UIViewController> VelmaroApplication::topViewController(std::shared_ptr<UIViewController> controller) {
    if (!controller) return nullptr;
    if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(controller))
        return topViewController(navigation->visibleViewController());
    if (auto tabs = std::dynamic_pointer_cast<UITabBarController>(controller)) {
        if (auto selected = tabs->selectedViewController()) return topViewController(selected);
    }
    if (auto presented = controller->presentedViewController()) return topViewController(presented);
    return controller;
}

const UIColor& appPrimaryColor() {
    static const UIColor white = UIColor::white();
    return white;
}

}  // namespace velmaro
