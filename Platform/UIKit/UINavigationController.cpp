#include "UIKit/UINavigationController.h"

#include <algorithm>

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIView.h"

UINavigationController::UINavigationController() = default;
UINavigationController::~UINavigationController() = default;

bool UINavigationController::contains(const std::shared_ptr<UIViewController>& controller) const {
    const auto& stack = viewControllers();
    return std::find(stack.begin(), stack.end(), controller) != stack.end();
}

std::shared_ptr<UIViewController> UINavigationController::topViewController() const {
    const auto& stack = viewControllers();
    return stack.empty() ? nullptr : stack.back();
}

std::shared_ptr<UIViewController> UINavigationController::visibleViewController() const {
    if (auto presented = presentedViewController()) return presented;
    return topViewController();
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::childrenSharingAppearance() const {
    if (auto top = topViewController()) return {top};
    return {};
}

std::shared_ptr<UINavigationBar> UINavigationController::navigationBar() {
    if (!bar_) {
        // Styled by the navigation bar appearance as it is made.
        bar_ = UIView::make<UINavigationBar>(CGRect{0, statusBarHeight, 0, navigationBarHeight});
        bar_->setHidden(barHidden_);
    }
    return bar_;
}

void UINavigationController::loadView() {
    UIViewController::loadView();
    auto root = viewIfLoaded();
    auto bar = navigationBar();
    bar->setFrame(CGRect{0, statusBarHeight, root->bounds().size.width, navigationBarHeight});
    bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    root->addSubview(bar);
    attachTopView();
}

void UINavigationController::setNavigationBarHidden(bool hidden, bool /*animated*/) {
    barHidden_ = hidden;
    navigationBar()->setHidden(hidden);
    layoutTopView();
}

void UINavigationController::setViewControllers(std::vector<std::shared_ptr<UIViewController>> controllers,
                                                bool animated) {
    transitionTo(std::move(controllers), animated);
}

void UINavigationController::pushViewController(std::shared_ptr<UIViewController> controller, bool animated) {
    if (!controller || contains(controller) || controller.get() == this) return;
    auto stack = viewControllers();
    stack.push_back(std::move(controller));
    transitionTo(std::move(stack), animated);
}

std::shared_ptr<UIViewController> UINavigationController::popViewController(bool animated) {
    auto stack = viewControllers();
    if (stack.size() <= 1) return nullptr;
    auto popped = stack.back();
    stack.pop_back();
    transitionTo(std::move(stack), animated);
    return popped;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToViewController(
    const std::shared_ptr<UIViewController>& controller, bool animated) {
    auto stack = viewControllers();
    auto it = std::find(stack.begin(), stack.end(), controller);
    if (it == stack.end() || it + 1 == stack.end()) return {};
    std::vector<std::shared_ptr<UIViewController>> popped(it + 1, stack.end());
    stack.erase(it + 1, stack.end());
    transitionTo(std::move(stack), animated);
    return popped;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToRootViewController(bool animated) {
    const auto& stack = viewControllers();
    if (stack.size() <= 1) return {};
    auto root = stack.front();
    return popToViewController(root, animated);
}

void UINavigationController::transitionTo(std::vector<std::shared_ptr<UIViewController>> stack, bool animated) {
    finishPendingTransitions();
    std::vector<std::shared_ptr<UIViewController>> unique;
    for (auto& controller : stack) {
        if (!controller || controller.get() == this) continue;
        if (std::find(unique.begin(), unique.end(), controller) != unique.end()) continue;
        unique.push_back(std::move(controller));
    }
    auto oldStack = viewControllers();
    auto oldTop = topViewController();
    auto newTop = unique.empty() ? nullptr : unique.back();

    std::vector<std::shared_ptr<UIViewController>> removed;
    for (const auto& controller : oldStack) {
        if (std::find(unique.begin(), unique.end(), controller) == unique.end()) removed.push_back(controller);
    }
    // Arriving screens join at once; leaving ones keep their back-pointer until they are gone.
    for (const auto& controller : unique) {
        if (!contains(controller)) addChildViewController(controller);
    }
    setChildViewControllers(unique);

    bool changesGlass = isOnGlass() && oldTop != newTop;
    if (newTop) newTop->view();  // loaded before anyone is told, as on the platform
    attachTopView();
    if (changesGlass) {
        if (oldTop) oldTop->beginAppearanceTransition(false, animated);
        if (newTop) newTop->beginAppearanceTransition(true, animated);
    }
    auto self = std::static_pointer_cast<UINavigationController>(shared_from_this());
    runTransition(changesGlass && animated, [self, oldTop, newTop, removed, changesGlass] {
        for (const auto& controller : removed) {
            if (!self->contains(controller) && controller->parentViewController() == self) {
                controller->parent_.reset();
            }
        }
        if (changesGlass && oldTop) oldTop->endAppearanceTransition();
        if (changesGlass && newTop) newTop->endAppearanceTransition();
        self->placeChildViews();
    });
}

void UINavigationController::attachTopView() {
    auto root = viewIfLoaded();
    auto top = topViewController();
    if (!root || !top) return;
    auto view = top->view();
    if (view->superview() != root) {
        view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        // Below the bar: a translucent bar overlaps the screen's top.
        root->insertSubview(view, 0);
    }
    layoutTopView();
}

void UINavigationController::layoutTopView() {
    auto root = viewIfLoaded();
    auto top = topViewController();
    if (!root || !top) return;
    auto view = top->viewIfLoaded();
    if (!view || view->superview() != root) return;
    CGRect frame = root->bounds();
    if (!barHidden_ && bar_ && !bar_->isTranslucent()) {
        const CGFloat below = bar_->frame().maxY();
        frame = CGRect{frame.minX(), frame.minY() + below, frame.width(), std::max<CGFloat>(0, frame.height() - below)};
    }
    view->setFrame(frame);
    top->layoutTopLayoutGuide();
}

void UINavigationController::placeChildViews() {
    auto root = viewIfLoaded();
    if (!root) return;
    auto top = topViewController();
    auto topView = top ? top->viewIfLoaded() : nullptr;
    auto subviews = root->subviews();
    for (const auto& subview : subviews) {
        if (subview != bar_ && subview != topView) subview->removeFromSuperview();
    }
    attachTopView();
}

std::optional<std::string> UINavigationController::barTitle() const {
    auto top = topViewController();
    if (!top) return std::nullopt;
    if (top->navigationItem().title()) return top->navigationItem().title();
    return top->title();
}

std::optional<std::string> UINavigationController::backButtonTitle() const {
    const auto& stack = viewControllers();
    if (stack.size() < 2) return std::nullopt;
    const auto& item = stack.back()->navigationItem();
    if (item.hidesBackButton() || !item.leftBarButtonItems().empty()) return std::nullopt;
    const auto& below = stack[stack.size() - 2];
    if (const auto& back = below->navigationItem().backBarButtonItem()) return back->title().value_or("");
    if (auto title = below->navigationItem().title()) return title;
    if (auto title = below->title()) return title;
    return std::string("Back");
}

std::vector<std::shared_ptr<UIBarButtonItem>> UINavigationController::leftBarItems() const {
    auto top = topViewController();
    return top ? top->navigationItem().leftBarButtonItems() : std::vector<std::shared_ptr<UIBarButtonItem>>{};
}

std::vector<std::shared_ptr<UIBarButtonItem>> UINavigationController::rightBarItems() const {
    auto top = topViewController();
    return top ? top->navigationItem().rightBarButtonItems() : std::vector<std::shared_ptr<UIBarButtonItem>>{};
}

bool UINavigationController::tapBackButton() {
    if (barHidden_ || !backButtonTitle()) return false;
    auto self = shared_from_this();
    return popViewController(true) != nullptr;
}
