#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Dispatch/DispatchQueue.h"
#include "UIKit/GlassRenderer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIWindow.h"
#include "support/Platform/UIKitTest.h"

namespace {

class UIAlertControllerTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        screen = std::make_shared<UIViewController>();
        window()->setRootViewController(screen);
        window()->makeKeyAndVisible();
    }
    std::shared_ptr<UIViewController> screen;
};

TEST_F(UIAlertControllerTest, AnAlertBuiltOnABackgroundThreadReachesTheGlassOnTheMainQueue) {
    std::thread worker([] {
        auto alert = UIAlertController::make("Error", "Could not load");
        alert->addAction(UIAlertAction::make("Dismiss", UIAlertActionStyle::defaultStyle));
        DispatchQueue::main().async([alert] {
            UIApplication::shared()->keyWindow()->rootViewController()->present(alert, true);
        });
    });
    worker.join();
    EXPECT_EQ(GlassRenderer::render(window()), "");
    ASSERT_TRUE(waitFor([&] { return screen->presentedViewController() != nullptr; }));
    EXPECT_EQ(GlassRenderer::render(window()),
              "Alert \"Error\"\n"
              "  Message \"Could not load\"\n"
              "  Action \"Dismiss\"\n");
}

TEST_F(UIAlertControllerTest, PressingAnActionDismissesTheAlertThenRunsItsHandler) {
    std::vector<std::string> events;
    auto alert = UIAlertController::make("Title", std::nullopt);
    alert->addAction(UIAlertAction::make("Cancel", UIAlertActionStyle::cancel));
    alert->addAction(UIAlertAction::make("Retry", UIAlertActionStyle::defaultStyle, [&](const auto& action) {
        events.push_back("handler " + action->title());
        // Gone already, so the handler may put up the next alert.
        events.push_back(screen->presentedViewController() ? "still presented" : "dismissed");
        screen->present(UIAlertController::make("Next", std::nullopt), false);
    }));
    screen->present(alert, false);

    EXPECT_TRUE(alert->pressAction(alert->actionTitled("Retry")));
    EXPECT_EQ(events, (std::vector<std::string>{"handler Retry", "dismissed"}));
    auto next = std::dynamic_pointer_cast<UIAlertController>(screen->presentedViewController());
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->title(), "Next");

    // An alert that is not on the glass has nothing to press.
    EXPECT_FALSE(alert->pressAction(alert->actionTitled("Cancel")));
    EXPECT_EQ(alert->actionTitled("Nope"), nullptr);
}

}  // namespace
