#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "UIKit/UIStoryboard.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewController.h"
#include "UIKitTesting/UIStoryboardTestApi.h"
#include "support/Platform/UIKitTest.h"

namespace {

class SceneScreen : public UIViewController {
public:
    void awakeFromNib() override { ++awoken; }
    void viewDidLoad() override { loadedWithSubviews = view()->subviews().size(); }
    int awoken = 0;
    int builds = 0;
    std::size_t loadedWithSubviews = 0;
};

class OtherScreen : public UIViewController {};

class UIStoryboardTest : public MainLoopTest {
protected:
    void SetUp() override {
        MainLoopTest::SetUp();
        UIStoryboard::registerScene("Board", "SceneScreen", [](const UIStoryboard&) {
            return std::make_shared<SceneScreen>();
        });
        UIStoryboard::registerScene("Board", "Other", [](const UIStoryboard&) { return std::make_shared<OtherScreen>(); });
    }
    void TearDown() override {
        UIStoryboardTestApi::unregisterStoryboard("Board");
        MainLoopTest::TearDown();
    }
};

TEST_F(UIStoryboardTest, ScenesAreFreshAwakeAndKnowTheirStoryboard) {
    auto storyboard = UIStoryboard::make("Board");
    auto first = storyboard->instantiate<SceneScreen>("SceneScreen");
    auto second = storyboard->instantiate<SceneScreen>("SceneScreen");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->awoken, 1);
    EXPECT_EQ(first->storyboard(), storyboard);
    EXPECT_EQ(storyboard->name(), "Board");
}

TEST_F(UIStoryboardTest, MissingScenesAndStoryboardsAnswerNothing) {
    auto storyboard = UIStoryboard::make("Board");
    EXPECT_EQ(storyboard->instantiateViewController("Missing"), nullptr);
    EXPECT_EQ(storyboard->instantiate<SceneScreen>("Other"), nullptr);  // a scene of another class
    EXPECT_EQ(storyboard->instantiateInitialViewController(), nullptr);  // no initial scene set
    EXPECT_EQ(UIStoryboard::make("Nowhere")->instantiateViewController("SceneScreen"), nullptr);

    UIStoryboard::setInitialScene("Board", "Other");
    EXPECT_NE(std::dynamic_pointer_cast<OtherScreen>(storyboard->instantiateInitialViewController()), nullptr);
    UIStoryboard::setInitialScene("Board", "Gone");
    EXPECT_EQ(storyboard->instantiateInitialViewController(), nullptr);
}

TEST_F(UIStoryboardTest, AScreenLoadsTheViewItsSceneBuildsAndOtherwiseAPlainOne) {
    // A builder that fills the screen it is handed; one that builds nothing.
    UIStoryboard::registerScene(
        "Board", "Built", [](const UIStoryboard&) { return std::make_shared<SceneScreen>(); },
        [](UIViewController& screen) {
            ++static_cast<SceneScreen&>(screen).builds;
            auto root = UIView::make(CGRect{0, 0, 100, 50});
            root->addSubview(UIView::make(CGRect{0, 0, 10, 10}));
            return root;
        });
    UIStoryboard::registerScene(
        "Board", "Empty", [](const UIStoryboard&) { return std::make_shared<SceneScreen>(); },
        [](UIViewController& screen) -> std::shared_ptr<UIView> {
            ++static_cast<SceneScreen&>(screen).builds;
            return nullptr;
        });
    auto storyboard = UIStoryboard::make("Board");
    struct Case {
        const char* name;
        std::shared_ptr<SceneScreen> screen;
        int builds;
        CGSize size;
        std::size_t subviews;
    };
    const Case cases[] = {
        {"built", storyboard->instantiate<SceneScreen>("Built"), 1, {100, 50}, 1},
        {"builds nothing", storyboard->instantiate<SceneScreen>("Empty"), 1, {375, 667}, 0},
        {"no builder", storyboard->instantiate<SceneScreen>("SceneScreen"), 0, {375, 667}, 0},
        {"not from a storyboard", std::make_shared<SceneScreen>(), 0, {375, 667}, 0},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.screen, nullptr) << c.name;
        EXPECT_EQ(c.screen->builds, 0) << c.name << ": built before the view was asked for";
        auto view = c.screen->view();
        EXPECT_EQ(c.screen->view(), view) << c.name;
        EXPECT_EQ(c.screen->builds, c.builds) << c.name;
        EXPECT_EQ(view->bounds().size, c.size) << c.name;
        EXPECT_EQ(c.screen->loadedWithSubviews, c.subviews) << c.name << ": viewDidLoad must see the built view";
        EXPECT_EQ(view->nextResponder(), c.screen) << c.name;
    }
}

TEST_F(UIStoryboardTest, AStoryboardListsItsScenes) {
    EXPECT_EQ(UIStoryboard::make("Board")->sceneIdentifiers(), (std::vector<std::string>{"Other", "SceneScreen"}));
    EXPECT_TRUE(UIStoryboard::make("Nowhere")->sceneIdentifiers().empty());
    UIStoryboardTestApi::unregisterStoryboard("Board");
    EXPECT_TRUE(UIStoryboard::make("Board")->sceneIdentifiers().empty());
    EXPECT_EQ(UIStoryboard::make("Board")->instantiateViewController("Other"), nullptr);
}

TEST_F(UIStoryboardTest, ScenesCanBeMadeOnAnotherThread) {
    std::shared_ptr<UIViewController> made;
    std::thread worker([&] { made = UIStoryboard::make("Board")->instantiateViewController("SceneScreen"); });
    worker.join();
    EXPECT_NE(made, nullptr);
}

}  // namespace
