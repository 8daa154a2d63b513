#include "UIKit/UIViewController.h"

#include <algorithm>
#include <cstdint>
#include <iostream>

#include "Dispatch/DispatchQueue.h"
#include "Dispatch/RunLoop.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITabBarController.h"
#include "UIKit/UIView.h"
#include "UIKit/UIWindow.h"

namespace {

// Transitions still animating, oldest first. Each belongs to the run loop it was started on; a
// test that replaces the main run loop drops the previous loop's transitions without running them.
struct PendingTransition {
    std::uint64_t id;
    std::weak_ptr<RunLoop> loop;
    std::function<void()> finish;
};

// Never destroyed: screens still waiting at exit must not be torn down after the statics they use.
std::vector<PendingTransition>& pendingTransitions() {
    static auto* pending = new std::vector<PendingTransition>();
    return *pending;
}

// Transitions of a replaced run loop never finish; let their screens go.
void dropTransitionsOfOtherLoops(const std::shared_ptr<RunLoop>& current) {
    std::vector<PendingTransition> stale;
    auto& pending = pendingTransitions();
    for (auto it = pending.begin(); it != pending.end();) {
        if (it->loop.lock() != current) {
            stale.push_back(std::move(*it));
            it = pending.erase(it);
        } else {
            ++it;
        }
    }
}

std::uint64_t nextTransitionId = 0;

void finishTransition(std::uint64_t id) {
    auto& pending = pendingTransitions();
    auto it = std::find_if(pending.begin(), pending.end(), [id](const auto& t) { return t.id == id; });
    if (it == pending.end()) return;  // finished early by a later transition
    auto finish = std::move(it->finish);
    pending.erase(it);
    finish();
}

constexpr CGRect defaultScreenBounds{0, 0, 375, 667};

}  // namespace

UIViewController::UIViewController() = default;
UIViewController::~UIViewController() = default;

void UIViewController::runTransition(bool animated, std::function<void()> finish) {
    if (!animated || !UIView::areAnimationsEnabled()) {
        finish();
        return;
    }
    auto loop = RunLoop::mainShared();
    dropTransitionsOfOtherLoops(loop);
    auto id = ++nextTransitionId;
    pendingTransitions().push_back({id, loop, std::move(finish)});
    DispatchQueue::main().asyncAfter(transitionDuration, [id] { finishTransition(id); });
}

void UIViewController::finishPendingTransitions() {
    auto& pending = pendingTransitions();
    if (pending.empty()) return;
    auto current = RunLoop::mainShared();
    // One at a time from the front: a finishing transition may start (and finish) others.
    while (!pending.empty()) {
        auto transition = std::move(pending.front());
        pending.erase(pending.begin());
        if (transition.loop.lock() == current) transition.finish();
    }
}

// ----- View

std::shared_ptr<UIView> UIViewController::view() {
    if (!view_ && !loadingView_) {
        loadingView_ = true;
        loadView();
        if (!view_) view_ = UIView::make(defaultScreenBounds);
        loadingView_ = false;
        view_->setNextResponderOverride(weak_from_this());
        layoutTopLayoutGuide();
        viewDidLoad();
    }
    return view_;
}

void UIViewController::setView(std::shared_ptr<UIView> view) {
    if (view_) view_->setNextResponderOverride({});
    view_ = std::move(view);
    if (view_) view_->setNextResponderOverride(weak_from_this());
}

void UIViewController::loadView() {
    if (viewBuilder_) {
        if (auto built = viewBuilder_(*this)) view_ = std::move(built);
    }
    if (!view_) view_ = UIView::make(defaultScreenBounds);
}

CGFloat UIViewController::topLayoutGuideLength() const {
    auto navigation = std::dynamic_pointer_cast<UINavigationController>(parentViewController());
    if (navigation && !navigation->isNavigationBarHidden()) {
        auto bar = navigation->navigationBar();
        return bar->isTranslucent() ? bar->frame().maxY() : 0;
    }
    return statusBarHeight;
}

void UIViewController::pinToTopLayoutGuide(const std::shared_ptr<UIView>& view, GuidePin pin) {
    if (!view) return;
    auto superview = view->superview();
    const CGRect frame = view->frame();
    const CGFloat bottomGap = superview ? superview->bounds().height() - frame.maxY() : 0;
    // The centre, not the frame: a view may be scaled (to nothing, while it waits to appear).
    guidePins_.push_back({view, view->center().y, bottomGap, pin});
}

void UIViewController::layoutTopLayoutGuide() {
    if (guidePins_.empty()) return;
    const CGFloat guide = topLayoutGuideLength();
    for (auto& pinning : guidePins_) {
        auto view = pinning.view.lock();
        if (!view) continue;
        CGPoint center = view->center();
        if (pinning.pin == GuidePin::stretches) {
            auto superview = view->superview();
            CGRect bounds = view->bounds();
            const CGFloat top = guide + pinning.offset - bounds.height() / 2;  // offset is the centre's
            if (superview) bounds.size.height = std::max<CGFloat>(0, superview->bounds().height() - pinning.bottomGap - top);
            view->setBounds(bounds);
            center.y = top + bounds.height() / 2;
            pinning.offset = center.y - guide;
        } else {
            center.y = guide + pinning.offset;
        }
        view->setCenter(center);
    }
}

std::shared_ptr<UIWindow> UIViewController::window() const {
    return view_ ? view_->window() : nullptr;
}

std::shared_ptr<UIResponder> UIViewController::nextResponder() const {
    // After the screen comes what its view sits in.
    if (view_) {
        if (auto superview = view_->superview()) return superview;
    }
    return nullptr;
}

void UIViewController::setTitle(std::optional<std::string> title) {
    title_ = title;
    navigationItem_.setTitle(std::move(title));
}

// ----- Containment

std::shared_ptr<UINavigationController> UIViewController::navigationController() const {
    for (auto parent = parent_.lock(); parent; parent = parent->parent_.lock()) {
        if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(parent)) return navigation;
    }
    return nullptr;
}

std::shared_ptr<UITabBarController> UIViewController::tabBarController() const {
    for (auto parent = parent_.lock(); parent; parent = parent->parent_.lock()) {
        if (auto tabs = std::dynamic_pointer_cast<UITabBarController>(parent)) return tabs;
    }
    return nullptr;
}

void UIViewController::addChildViewController(const std::shared_ptr<UIViewController>& child) {
    if (!child || child.get() == this) return;
    if (std::find(children_.begin(), children_.end(), child) != children_.end()) return;
    if (auto previous = child->parent_.lock(); previous && previous.get() != this) {
        previous->removeChildViewController(child);
    }
    children_.push_back(child);
    child->parent_ = sharedController();
}

void UIViewController::removeChildViewController(const std::shared_ptr<UIViewController>& child) {
    std::erase(children_, child);
    if (child && child->parent_.lock().get() == this) child->parent_.reset();
}

void UIViewController::setChildViewControllers(std::vector<std::shared_ptr<UIViewController>> children) {
    children_ = std::move(children);
}

// ----- Appearance

void UIViewController::beginAppearanceTransition(bool appearing, bool animated) {
    if (appearing) {
        if (isOnGlass()) return;
        view();
        layoutTopLayoutGuide();
        appearance_ = AppearanceState::appearing;
        transitionAnimated_ = animated;
        viewWillAppear(animated);
    } else {
        if (!isOnGlass()) return;
        appearance_ = AppearanceState::disappearing;
        transitionAnimated_ = animated;
        viewWillDisappear(animated);
    }
    for (const auto& child : childrenSharingAppearance()) child->beginAppearanceTransition(appearing, animated);
}

void UIViewController::endAppearanceTransition() {
    if (appearance_ == AppearanceState::appearing) {
        appearance_ = AppearanceState::appeared;
        viewDidAppear(transitionAnimated_);
    } else if (appearance_ == AppearanceState::disappearing) {
        appearance_ = AppearanceState::disappeared;
        viewDidDisappear(transitionAnimated_);
    } else {
        return;
    }
    for (const auto& child : childrenSharingAppearance()) child->endAppearanceTransition();
}

// ----- Presentation

std::shared_ptr<UIViewController> UIViewController::outermostContainer() {
    auto current = sharedController();
    while (auto parent = current->parent_.lock()) current = parent;
    return current;
}

std::shared_ptr<UIViewController> UIViewController::presentedViewController() const {
    const UIViewController* current = this;
    while (auto parent = current->parent_.lock()) current = parent.get();
    return current->presented_;
}

std::shared_ptr<UIViewController> UIViewController::presentingViewController() const {
    for (const UIViewController* current = this; current;) {
        if (auto presenting = current->presenting_.lock()) return presenting;
        auto parent = current->parent_.lock();
        current = parent.get();
    }
    return nullptr;
}

void UIViewController::present(std::shared_ptr<UIViewController> controller, bool animated,
                               std::function<void()> completion) {
    if (!controller || controller.get() == this) return;
    finishPendingTransitions();
    if (controller->presenting_.lock() || controller->parent_.lock()) {
        std::cerr << "UIKit: refusing to present a view controller that is already shown\n";
        return;
    }
    auto presenter = outermostContainer();
    if (presenter->presented_) {
        std::cerr << "UIKit: attempt to present a view controller on one that is already presenting\n";
        return;
    }
    presentFrom(presenter, std::move(controller), animated, std::move(completion));
}

void UIViewController::presentFrom(const std::shared_ptr<UIViewController>& presenter,
                                   std::shared_ptr<UIViewController> controller, bool animated,
                                   std::function<void()> completion) {
    presenter->presented_ = controller;
    controller->presenting_ = presenter;
    auto view = controller->view();
    auto window = presenter->window();
    if (window) {
        view->setFrame(window->bounds());
        window->addSubview(view);
    }
    if (!presenter->isOnGlass()) {
        if (completion) completion();
        return;
    }
    bool covers = controller->modalPresentationStyle_ == UIModalPresentationStyle::fullScreen;
    if (covers) {
        presenter->beginAppearanceTransition(false, animated);
        presenter->coveredByPresentation_ = true;
    }
    controller->beginAppearanceTransition(true, animated);
    runTransition(animated, [presenter, controller, covers, completion = std::move(completion)] {
        controller->endAppearanceTransition();
        if (covers) presenter->endAppearanceTransition();
        if (completion) completion();
    });
}

void UIViewController::dismiss(bool animated, std::function<void()> completion) {
    finishPendingTransitions();
    auto owner = outermostContainer();
    if (owner->presented_) {
        owner->dismissPresented(animated, std::move(completion), true);
        return;
    }
    if (auto presenting = presentingViewController()) {
        presenting->outermostContainer()->dismissPresented(animated, std::move(completion), true);
        return;
    }
    if (completion) completion();
}

void UIViewController::dismissPresented(bool animated, std::function<void()> completion,
                                        bool presenterReappears) {
    // The whole chain above this screen goes, top first; it leaves the glass at once.
    std::vector<std::shared_ptr<UIViewController>> chain;
    for (auto next = presented_; next; next = next->outermostContainer()->presented_) chain.push_back(next);
    for (const auto& link : chain) {
        link->presenting_.reset();
        link->outermostContainer()->presented_.reset();
    }
    presented_.reset();
    std::reverse(chain.begin(), chain.end());

    auto self = sharedController();
    bool reappears = coveredByPresentation_ && presenterReappears;
    coveredByPresentation_ = false;
    std::vector<std::shared_ptr<UIViewController>> leaving;
    for (const auto& link : chain) {
        link->coveredByPresentation_ = false;
        if (link->isOnGlass()) {
            link->beginAppearanceTransition(false, animated);
            leaving.push_back(link);
        }
    }
    if (reappears) beginAppearanceTransition(true, animated);
    runTransition(animated, [self, chain, leaving, reappears, completion = std::move(completion)] {
        if (reappears) self->endAppearanceTransition();
        for (const auto& link : leaving) link->endAppearanceTransition();
        for (const auto& link : chain) {
            if (auto view = link->viewIfLoaded(); view && !link->presenting_.lock()) view->removeFromSuperview();
        }
        if (completion) completion();
    });
}
