#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "UIKit/UIViewController.h"

// Screens side by side; the selected one is on the glass.
class UITabBarController : public UIViewController {
public:
    UITabBarController();
    ~UITabBarController() override;

    const std::vector<std::shared_ptr<UIViewController>>& viewControllers() const { return childViewControllers(); }
    // Selects the first screen when the previous selection is gone.
    void setViewControllers(std::vector<std::shared_ptr<UIViewController>> controllers, bool animated);

    std::shared_ptr<UIViewController> selectedViewController() const;
    // A screen that is not one of the tabs is ignored.
    void setSelectedViewController(const std::shared_ptr<UIViewController>& controller);
    void setSelectedIndex(std::size_t index);

protected:
    void loadView() override;
    std::vector<std::shared_ptr<UIViewController>> childrenSharingAppearance() const override;

private:
    void select(std::size_t index, const std::shared_ptr<UIViewController>& previous);
    void placeSelectedView();

    std::size_t selectedIndex_ = 0;
};
