#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/CGPoint.h"
#include "UIKit/UINavigationItem.h"
#include "UIKit/UIResponder.h"

class UINavigationController;
class UIStoryboard;
class UITabBarController;
class UIView;
class UIWindow;

enum class UIModalPresentationStyle {
    fullScreen,      // covers the presenting screen, which leaves the glass
    overFullScreen,  // drawn over the presenting screen, which stays on the glass (alerts)
};

// A screen: owns its view (loaded once, lazily), takes part in containment (navigation, tabs) and
// presentation, and gets the appearance callbacks whenever it comes onto or leaves the glass.
// Containers hold their children strongly; children, presenters and windows are held weakly
// upwards. Main thread only.
class UIViewController : public UIResponder {
public:
    enum class AppearanceState { disappeared, appearing, appeared, disappearing };

    UIViewController();
    ~UIViewController() override;

    // The view, loaded on first use: loadView, then viewDidLoad, once.
    std::shared_ptr<UIView> view();
    std::shared_ptr<UIView> viewIfLoaded() const { return view_; }
    bool isViewLoaded() const { return static_cast<bool>(view_); }
    // Replaces the view; a screen whose view is set from outside does not run loadView.
    void setView(std::shared_ptr<UIView> view);

    // Runs the view builder the storyboard gave the screen; without one (or when it builds
    // nothing) the view is a plain empty view the size of the screen.
    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool /*animated*/) {}
    virtual void viewDidAppear(bool /*animated*/) {}
    virtual void viewWillDisappear(bool /*animated*/) {}
    virtual void viewDidDisappear(bool /*animated*/) {}
    virtual void didReceiveMemoryWarning() {}
    // Run once when the storyboard has built the screen.
    virtual void awakeFromNib() {}

    AppearanceState appearanceState() const { return appearance_; }
    // On the glass or getting there.
    bool isOnGlass() const {
        return appearance_ == AppearanceState::appeared || appearance_ == AppearanceState::appearing;
    }

    const std::optional<std::string>& title() const { return title_; }
    // Also the navigation item's title, as on the platform.
    void setTitle(std::optional<std::string> title);
    UINavigationItem& navigationItem() { return navigationItem_; }
    const UINavigationItem& navigationItem() const { return navigationItem_; }

    std::shared_ptr<UIViewController> parentViewController() const { return parent_.lock(); }
    // The nearest navigation (tab bar) controller among this screen and its ancestors' parents.
    std::shared_ptr<UINavigationController> navigationController() const;
    std::shared_ptr<UITabBarController> tabBarController() const;
    std::shared_ptr<const UIStoryboard> storyboard() const { return storyboard_; }

    // Presentation. The presentation is made by the outermost container of this screen; a second
    // presentation while one is showing is refused, as on the platform, and its completion
    // does not run.
    void present(std::shared_ptr<UIViewController> controller, bool animated,
                 std::function<void()> completion = nullptr);
    // Dismisses what this screen (or its container) presents, or, if nothing, the presentation
    // this screen is part of. The completion runs when the dismissal has finished.
    void dismiss(bool animated, std::function<void()> completion = nullptr);
    std::shared_ptr<UIViewController> presentedViewController() const;
    std::shared_ptr<UIViewController> presentingViewController() const;
    UIModalPresentationStyle modalPresentationStyle() const { return modalPresentationStyle_; }
    void setModalPresentationStyle(UIModalPresentationStyle style) { modalPresentationStyle_ = style; }

    // Children in the order containers keep them; the ones that share this screen's appearance
    // (a navigation controller's top, a tab bar controller's selection) are forwarded to.
    const std::vector<std::shared_ptr<UIViewController>>& childViewControllers() const { return children_; }

    // The window this screen's view is in, if any.
    std::shared_ptr<UIWindow> window() const;

    // Appearance transitions as containers, windows and presentations drive them. A screen
    // that is already appearing does not appear twice.
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();

    std::shared_ptr<UIResponder> nextResponder() const override;

    // The top layout guide: where content begins below the status bar and a navigation bar, in
    // this screen's view's coordinates. Under a translucent bar the view reaches the window's top
    // and the guide is the bar's bottom; under an opaque bar the view starts below the bar and
    // the guide is 0; without a bar it is the status bar's bottom.
    CGFloat topLayoutGuideLength() const;
    enum class GuidePin {
        moves,      // keeps its height
        stretches,  // keeps its bottom edge too, so it grows or shrinks as the guide moves
    };
    // Keeps a subview of this screen's view at its current y below the top layout guide: a
    // scene draws such frames with the guide at 0. Applied whenever the guide may have moved.
    void pinToTopLayoutGuide(const std::shared_ptr<UIView>& view, GuidePin pin = GuidePin::moves);
    // Places the pinned views for the guide as it is now.
    void layoutTopLayoutGuide();

    static constexpr CGFloat statusBarHeight = 20;

    // Time an animated screen transition takes before its "did" callbacks run.
    static constexpr double transitionDuration = 0.35;

    // Finishes every screen transition still animating (its "did" callbacks and completions run
    // now); a new transition does this first, so transitions never overlap.
    static void finishPendingTransitions();

protected:
    // The children that appear and disappear with this screen.
    virtual std::vector<std::shared_ptr<UIViewController>> childrenSharingAppearance() const { return {}; }

    void addChildViewController(const std::shared_ptr<UIViewController>& child);
    void removeChildViewController(const std::shared_ptr<UIViewController>& child);
    void setChildViewControllers(std::vector<std::shared_ptr<UIViewController>> children);

    // A transition: the "will" callbacks have been sent; `finish` sends the "did" ones. Animated,
    // it runs on the main queue once the transition duration has passed; otherwise now.
    static void runTransition(bool animated, std::function<void()> finish);

    std::shared_ptr<UIViewController> sharedController() {
        return std::static_pointer_cast<UIViewController>(shared_from_this());
    }

private:
    friend class UIStoryboard;
    friend class UIWindow;
    friend class UINavigationController;
    friend class UITabBarController;

    std::shared_ptr<UIViewController> outermostContainer();
    void presentFrom(const std::shared_ptr<UIViewController>& presenter,
                     std::shared_ptr<UIViewController> controller, bool animated,
                     std::function<void()> completion);
    // Takes down every presentation above this screen; the screen itself comes back on the glass
    // only if a presentation covered it and `presenterReappears`.
    void dismissPresented(bool animated, std::function<void()> completion, bool presenterReappears);

    struct GuidePinning {
        std::weak_ptr<UIView> view;
        CGFloat offset;  // of the view's centre below the guide
        CGFloat bottomGap;
        GuidePin pin;
    };

    std::shared_ptr<UIView> view_;
    bool loadingView_ = false;
    std::vector<GuidePinning> guidePins_;
    std::optional<std::string> title_;
    UINavigationItem navigationItem_;
    std::weak_ptr<UIViewController> parent_;
    std::vector<std::shared_ptr<UIViewController>> children_;
    std::shared_ptr<UIViewController> presented_;
    std::weak_ptr<UIViewController> presenting_;
    std::shared_ptr<const UIStoryboard> storyboard_;
    std::function<std::shared_ptr<UIView>(UIViewController&)> viewBuilder_;
    UIModalPresentationStyle modalPresentationStyle_ = UIModalPresentationStyle::fullScreen;
    AppearanceState appearance_ = AppearanceState::disappeared;
    bool transitionAnimated_ = false;
    bool coveredByPresentation_ = false;
};
