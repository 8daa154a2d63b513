#include <memory>
#include <thread>

#include "UIKit/UIStoryboard.h"
#include "UIKit/UIViewController.h"
#include "UIKitTesting/UIStoryboardTestApi.h"
#include "support/Platform/MainLoopTest.h"

namespace {

class SceneScreen : public UIViewController {
public:
    void awakeFromNib() override { ++awoken; }
    int awoken = 0;
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

TEST_F(UIStoryboardTest, ScenesCanBeMadeOnAnotherThread) {
    std::shared_ptr<UIViewController> made;
    std::thread worker([&] { made = UIStoryboard::make("Board")->instantiateViewController("SceneScreen"); });
    worker.join();
    EXPECT_NE(made, nullptr);
}

}  // namespace
