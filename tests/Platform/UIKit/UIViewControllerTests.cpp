#include <memory>
#include <string>
#include <vector>

#include "Dispatch/DispatchQueue.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITabBarController.h"
#include "UIKit/UIWindow.h"
#include "support/Platform/UIKitTest.h"

namespace {

using Log = std::vector<std::string>;

// Writes every lifecycle callback it gets, and what it sees of its container at the time.
class RecordingScreen : public UIViewController {
public:
    RecordingScreen(std::string name, std::shared_ptr<Log> log) : name_(std::move(name)), log_(std::move(log)) {}

    void viewDidLoad() override { log_->push_back(name_ + ".didLoad"); }
    void viewWillAppear(bool animated) override { record("willAppear", animated); }
    void viewDidAppear(bool animated) override { record("didAppear", animated); }
    void viewWillDisappear(bool animated) override {
        record("willDisappear", animated);
        navigationWhileLeaving = navigationController() != nullptr;
    }
    void viewDidDisappear(bool animated) override {
        record("didDisappear", animated);
        navigationAfterLeaving = navigationController() != nullptr;
    }
    void didReceiveMemoryWarning() override { log_->push_back(name_ + ".memoryWarning"); }

    bool navigationWhileLeaving = false;
    bool navigationAfterLeaving = true;

private:
    void record(const char* what, bool animated) {
        log_->push_back(name_ + "." + what + (animated ? "(animated)" : ""));
    }
    std::string name_;
    std::shared_ptr<Log> log_;
};

class UIViewControllerTest : public UIKitTest {
protected:
    std::shared_ptr<RecordingScreen> screen(const std::string& name) {
        return std::make_shared<RecordingScreen>(name, log);
    }
    // The log so far, emptied.
    Log take() {
        Log taken = *log;
        log->clear();
        return taken;
    }
    std::shared_ptr<Log> log = std::make_shared<Log>();
};

TEST_F(UIViewControllerTest, ReplacingTheWindowRootMovesTheScreensOnAndOffTheGlass) {
    auto first = screen("A");
    auto second = screen("B");
    window()->setRootViewController(first);
    EXPECT_EQ(take(), (Log{"A.didLoad"}));  // not visible yet: nothing appears

    window()->makeKeyAndVisible();
    EXPECT_EQ(take(), (Log{"A.willAppear", "A.didAppear"}));
    EXPECT_TRUE(window()->isKeyWindow());

    window()->setRootViewController(second);
    EXPECT_EQ(take(), (Log{"B.didLoad", "A.willDisappear", "B.willAppear", "A.didDisappear", "B.didAppear"}));
    EXPECT_EQ(first->viewIfLoaded()->superview(), nullptr);
    EXPECT_EQ(second->view()->window(), window());

    // The view is loaded once, whatever asks for it.
    second->view();
    EXPECT_TRUE(take().empty());
}

TEST_F(UIViewControllerTest, PushAndPopSendTheCallbacksInThePlatformsOrder) {
    auto root = screen("A");
    auto navigation = UINavigationController::make(root);
    window()->setRootViewController(navigation);
    window()->makeKeyAndVisible();
    take();

    auto pushed = screen("B");
    navigation->pushViewController(pushed, true);
    EXPECT_EQ(take(), (Log{"B.didLoad", "A.willDisappear(animated)", "B.willAppear(animated)"}));
    EXPECT_EQ(navigation->topViewController(), pushed);
    EXPECT_EQ(pushed->navigationController(), navigation);

    advance(UIViewController::transitionDuration);
    EXPECT_EQ(take(), (Log{"A.didDisappear(animated)", "B.didAppear(animated)"}));
    EXPECT_EQ(root->viewIfLoaded()->superview(), nullptr);  // off the glass once covered

    EXPECT_EQ(navigation->popViewController(false), pushed);
    EXPECT_EQ(take(), (Log{"B.willDisappear", "A.willAppear", "B.didDisappear", "A.didAppear"}));
    // Still in the container while leaving, out of it once gone.
    EXPECT_TRUE(pushed->navigationWhileLeaving);
    EXPECT_FALSE(pushed->navigationAfterLeaving);

    EXPECT_EQ(navigation->popViewController(true), nullptr);  // the root stays
    EXPECT_TRUE(take().empty());
}

TEST_F(UIViewControllerTest, ANewTransitionFinishesTheOneStillAnimating) {
    auto navigation = UINavigationController::make(screen("A"));
    window()->setRootViewController(navigation);
    window()->makeKeyAndVisible();
    take();

    navigation->pushViewController(screen("B"), true);
    navigation->pushViewController(screen("C"), true);
    EXPECT_EQ(take(), (Log{"B.didLoad", "A.willDisappear(animated)", "B.willAppear(animated)",
                           "A.didDisappear(animated)", "B.didAppear(animated)", "C.didLoad",
                           "B.willDisappear(animated)", "C.willAppear(animated)"}));
    advance(UIViewController::transitionDuration);
    EXPECT_EQ(take(), (Log{"B.didDisappear(animated)", "C.didAppear(animated)"}));
    advance(1);
    EXPECT_TRUE(take().empty());  // the first transition's timer finds nothing left to do
}

TEST_F(UIViewControllerTest, SettingTheStackOnlyMovesTheTopAndDropsTheRest) {
    auto a = screen("A");
    auto b = screen("B");
    auto navigation = UINavigationController::make(a);
    navigation->pushViewController(b, false);
    window()->setRootViewController(navigation);
    window()->makeKeyAndVisible();
    take();

    // Same top: nobody is told, the dropped screen leaves the container.
    navigation->setViewControllers({b}, false);
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(a->navigationController(), nullptr);

    auto c = screen("C");
    auto d = screen("D");
    navigation->setViewControllers({c, d, d, nullptr}, false);
    EXPECT_EQ(navigation->viewControllers(), (std::vector<std::shared_ptr<UIViewController>>{c, d}));
    EXPECT_EQ(take(), (Log{"D.didLoad", "B.willDisappear", "D.willAppear", "B.didDisappear", "D.didAppear"}));
    EXPECT_FALSE(c->isViewLoaded());  // below the top: loaded only when it shows

    auto popped = navigation->popToRootViewController(false);
    EXPECT_EQ(popped, (std::vector<std::shared_ptr<UIViewController>>{d}));
    EXPECT_EQ(take(), (Log{"C.didLoad", "D.willDisappear", "C.willAppear", "D.didDisappear", "C.didAppear"}));
    EXPECT_TRUE(navigation->popToViewController(c, false).empty());
    EXPECT_TRUE(navigation->popToViewController(a, false).empty());  // not in the stack
}

TEST_F(UIViewControllerTest, PresentAndDismissCoverAndUncoverThePresentingScreen) {
    auto a = screen("A");
    window()->setRootViewController(a);
    window()->makeKeyAndVisible();
    take();

    auto b = screen("B");
    auto navigation = UINavigationController::make(b);
    int presented = 0;
    a->present(navigation, true, [&] { ++presented; });
    EXPECT_EQ(take(), (Log{"B.didLoad", "A.willDisappear(animated)", "B.willAppear(animated)"}));
    EXPECT_EQ(a->presentedViewController(), navigation);
    EXPECT_EQ(b->presentingViewController(), a);  // a child answers its container's presenter
    EXPECT_EQ(navigation->visibleViewController(), b);
    EXPECT_EQ(presented, 0);
    advance(UIViewController::transitionDuration);
    EXPECT_EQ(take(), (Log{"B.didAppear(animated)", "A.didDisappear(animated)"}));
    EXPECT_EQ(presented, 1);

    // A second presentation while one shows is refused, and its completion never runs.
    bool refusedRan = false;
    a->present(screen("X"), false, [&] { refusedRan = true; });
    EXPECT_FALSE(refusedRan);
    EXPECT_EQ(a->presentedViewController(), navigation);

    // The presented screen asks to be dismissed: its presenter takes the presentation down.
    int dismissed = 0;
    b->dismiss(true, [&] { ++dismissed; });
    EXPECT_EQ(take(), (Log{"B.willDisappear(animated)", "A.willAppear(animated)"}));
    EXPECT_EQ(a->presentedViewController(), nullptr);
    EXPECT_EQ(b->presentingViewController(), nullptr);
    advance(UIViewController::transitionDuration);
    EXPECT_EQ(take(), (Log{"A.didAppear(animated)", "B.didDisappear(animated)"}));
    EXPECT_EQ(dismissed, 1);
    EXPECT_EQ(navigation->viewIfLoaded()->superview(), nullptr);
}

TEST_F(UIViewControllerTest, AnAlertLeavesThePresentingScreenOnTheGlass) {
    auto a = screen("A");
    window()->setRootViewController(a);
    window()->makeKeyAndVisible();
    take();

    auto alert = UIAlertController::make("Error", "Broken");
    a->present(alert, false);
    EXPECT_TRUE(take().empty());
    EXPECT_TRUE(a->isOnGlass());
    a->dismiss(false);
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(a->presentedViewController(), nullptr);
}

TEST_F(UIViewControllerTest, ReplacingTheRootTakesDownWhatItPresents) {
    auto a = screen("A");
    window()->setRootViewController(a);
    window()->makeKeyAndVisible();
    auto b = screen("B");
    a->present(b, false);
    take();

    auto c = screen("C");
    window()->setRootViewController(c);
    EXPECT_EQ(take(), (Log{"C.didLoad", "B.willDisappear", "B.didDisappear", "C.willAppear", "C.didAppear"}));
    EXPECT_EQ(a->presentedViewController(), nullptr);
    EXPECT_EQ(b->viewIfLoaded()->superview(), nullptr);
}

TEST_F(UIViewControllerTest, AContainerOffTheGlassTellsItsTopWhenItArrives) {
    auto navigation = UINavigationController::make(screen("A"));
    navigation->pushViewController(screen("B"), true);  // not on the glass: no callbacks, no wait
    EXPECT_EQ(take(), (Log{"A.didLoad", "B.didLoad"}));

    window()->setRootViewController(navigation);
    window()->makeKeyAndVisible();
    EXPECT_EQ(take(), (Log{"B.willAppear", "B.didAppear"}));

    auto tabs = std::make_shared<UITabBarController>();
    auto first = screen("T1");
    auto second = screen("T2");
    tabs->setViewControllers({first, second}, false);
    window()->setRootViewController(tabs);
    take();
    tabs->setSelectedViewController(second);
    EXPECT_EQ(take(), (Log{"T2.didLoad", "T1.willDisappear", "T2.willAppear", "T1.didDisappear", "T2.didAppear"}));
    EXPECT_EQ(second->tabBarController(), tabs);
}

TEST_F(UIViewControllerTest, EveryScreenPushedAndPoppedIsDestroyed) {
    std::weak_ptr<UIViewController> weakNavigation;
    std::vector<std::weak_ptr<UIViewController>> screens;
    {
        auto navigation = UINavigationController::make(screen("A"));
        weakNavigation = navigation;
        window()->setRootViewController(navigation);
        window()->makeKeyAndVisible();
        for (const char* name : {"B", "C", "D"}) {
            auto pushed = screen(name);
            screens.push_back(pushed);
            navigation->pushViewController(pushed, true);
        }
        auto alert = UIAlertController::make("Title", "Message");
        alert->addAction(UIAlertAction::make("OK", UIAlertActionStyle::defaultStyle));
        screens.push_back(alert);
        navigation->topViewController()->present(alert, true);
        advance(UIViewController::transitionDuration);
        alert->pressAction(alert->actions().front());
        navigation->popViewController(true);
        navigation->popToRootViewController(true);
    }
    advance(UIViewController::transitionDuration);
    for (const auto& weak : screens) EXPECT_TRUE(weak.expired());

    window()->setRootViewController(nullptr);
    EXPECT_TRUE(weakNavigation.expired());
}

TEST_F(UIViewControllerTest, MemoryWarningsReachEveryScreenInAVisibleWindow) {
    auto navigation = UINavigationController::make(screen("A"));
    navigation->pushViewController(screen("B"), false);
    window()->setRootViewController(navigation);
    window()->makeKeyAndVisible();
    navigation->present(screen("P"), false);
    take();
    UIApplication::shared()->sendMemoryWarning();
    EXPECT_EQ(take(), (Log{"A.memoryWarning", "B.memoryWarning", "P.memoryWarning"}));
}

}  // namespace
