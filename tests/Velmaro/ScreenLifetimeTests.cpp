#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "UIKit/UINavigationController.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/UIStoryboardTestApi.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;

namespace {

// Every scene of the layer's storyboard: a scene joins this test by being registered. Parameters
// are made at start-up in every run of the program, death tests' included, so they are read from
// a copy under a scratch name: setting the bundle up here would set it up for every test.
const char* const sceneList = "VelmaroSceneList";

std::vector<std::string> velmaroScenes() {
    VelmaroStoryboard::registerScenes(sceneList);
    auto identifiers = UIStoryboard::make(sceneList)->sceneIdentifiers();
    UIStoryboardTestApi::unregisterStoryboard(sceneList);
    return identifiers;
}

// The view, every view inside it and the cells of its tables (a table's cells need not be its
// subviews).
void collectViews(const std::shared_ptr<UIView>& view, std::vector<std::weak_ptr<UIView>>& into) {
    into.push_back(view);
    if (auto table = std::dynamic_pointer_cast<UITableView>(view)) {
        for (const auto& cell : table->visibleCells()) into.push_back(cell);
    }
    for (const auto& subview : view->subviews()) collectViews(subview, into);
}

class ScreenLifetimeTest : public SupportUITest, public testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        SupportUITest::SetUp();
        setUpVelmaroBundle();
        ASSERT_EQ(loadStoryboard(Storyboard::Velmaro)->sceneIdentifiers(), velmaroScenes());
    }
};

TEST_P(ScreenLifetimeTest, AScreenShownAndClosedLeavesNothingBehind) {
    std::weak_ptr<UIViewController> weakScreen;
    std::vector<std::weak_ptr<UIView>> weakViews;
    {
        auto screen = loadStoryboard(Storyboard::Velmaro)->instantiateViewController(GetParam());
        ASSERT_NE(screen, nullptr);
        weakScreen = screen;
        auto host = std::make_shared<UIViewController>();
        auto navigation = UINavigationController::make(host);
        window()->setRootViewController(navigation);
        window()->makeKeyAndVisible();

        // A container scene cannot be pushed: it comes up with a screen of its own, presented,
        // as the layer shows it over a host without navigation.
        auto container = std::dynamic_pointer_cast<UINavigationController>(screen);
        auto inside = std::make_shared<UIViewController>();
        if (container) {
            container->setViewControllers({inside}, false);
            host->present(container, true);
        } else {
            navigation->pushViewController(screen, true);
        }
        settle();
        ASSERT_EQ(screen->appearanceState(), UIViewController::AppearanceState::appeared);
        EXPECT_EQ(topScreen(), container ? inside : screen);
        collectViews(screen->view(), weakViews);

        if (container) {
            host->dismiss(true);
        } else {
            navigation->popViewController(true);
        }
        settle();
        EXPECT_EQ(screen->appearanceState(), UIViewController::AppearanceState::disappeared);
        EXPECT_EQ(topScreen(), host);
        window()->setRootViewController(nullptr);
        drain();
    }
    // Work handed to the core holds its screen until it has answered: the core answers what is
    // still out, as an unreachable one would.
    for (const auto& call : core().calls())
        while (core().deliverError(call.operation, "closed")) {
        }
    settle();

    EXPECT_TRUE(weakScreen.expired()) << GetParam() << " is still alive";
    for (std::size_t i = 0; i < weakViews.size(); ++i) {
        EXPECT_TRUE(weakViews[i].expired()) << "view " << i << " (depth-first) of " << GetParam() << " is still alive";
    }
}

INSTANTIATE_TEST_SUITE_P(Velmaro, ScreenLifetimeTest, testing::ValuesIn(velmaroScenes()),
                         [](const testing::TestParamInfo<std::string>& scene) { return scene.param; });

}  // namespace
