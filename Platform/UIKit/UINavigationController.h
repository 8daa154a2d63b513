#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/UINavigationBar.h"
#include "UIKit/UIViewController.h"

class UIBarButtonItem;

// A stack of screens under a navigation bar; the top one is on the glass. Changing the stack
// sends the appearance callbacks to the screen that leaves and the one that arrives (animated:
// the "did" ones after the transition). A screen taken off the stack keeps its navigation
// controller until its viewDidDisappear has run, as on the platform.
class UINavigationController : public UIViewController {
public:
    UINavigationController();
    ~UINavigationController() override;

    // `initWithRootViewController:`, for this class and subclasses.
    template <class T = UINavigationController>
    static std::shared_ptr<T> make(std::shared_ptr<UIViewController> rootViewController = nullptr) {
        auto controller = std::make_shared<T>();
        if (rootViewController) controller->setViewControllers({std::move(rootViewController)}, false);
        return controller;
    }

    const std::vector<std::shared_ptr<UIViewController>>& viewControllers() const { return childViewControllers(); }
    // Duplicates and nulls are dropped; a screen of another container leaves it.
    void setViewControllers(std::vector<std::shared_ptr<UIViewController>> controllers, bool animated);
    // A screen already in the stack is not pushed again.
    void pushViewController(std::shared_ptr<UIViewController> controller, bool animated);
    // The popped screen, or null at the root.
    std::shared_ptr<UIViewController> popViewController(bool animated);
    // The popped screens, bottom first; empty when the screen is not in the stack or on top.
    std::vector<std::shared_ptr<UIViewController>> popToViewController(
        const std::shared_ptr<UIViewController>& controller, bool animated);
    std::vector<std::shared_ptr<UIViewController>> popToRootViewController(bool animated);

    std::shared_ptr<UIViewController> topViewController() const;
    // What is on the glass: a screen presented over this one, else the top.
    std::shared_ptr<UIViewController> visibleViewController() const;

    std::shared_ptr<UINavigationBar> navigationBar();
    bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden, bool animated);

    // What the bar shows now: the top screen's title, its items, and a back control titled
    // after the screen below (none at the root, when the top hides it, or when left items
    // replace it).
    std::optional<std::string> barTitle() const;
    std::optional<std::string> backButtonTitle() const;
    std::vector<std::shared_ptr<UIBarButtonItem>> leftBarItems() const;
    std::vector<std::shared_ptr<UIBarButtonItem>> rightBarItems() const;
    // What a tap on the back control does: a pop, animated. False when no back control shows.
    bool tapBackButton();

    static constexpr CGFloat navigationBarHeight = 44;

    // Places the bar below the status bar and the top screen's view: over the whole of this
    // controller's view under a translucent bar, below the bar under an opaque one. The bar
    // calls this when its translucency changes.
    void layoutTopView();

protected:
    void loadView() override;
    std::vector<std::shared_ptr<UIViewController>> childrenSharingAppearance() const override;

private:
    void transitionTo(std::vector<std::shared_ptr<UIViewController>> stack, bool animated);
    void attachTopView();
    // Leaves exactly the bar and the top screen's view in this controller's view.
    void placeChildViews();
    bool contains(const std::shared_ptr<UIViewController>& controller) const;

    std::shared_ptr<UINavigationBar> bar_;
    bool barHidden_ = false;
};
