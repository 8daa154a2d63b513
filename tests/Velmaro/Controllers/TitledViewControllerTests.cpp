#include <gtest/gtest.h>

#include "UIKit/UIBarButtonItem.h"
#include "UIKitTesting/UIStoryboardTestApi.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "Velmaro/Helpers/ImageCache.h"
#include "Velmaro/Storyboard/SceneRegistrar.h"
#include "support/Platform/LoopbackHTTPServer.h"
#include "support/Platform/TestImages.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;

namespace {

// A titled screen and its scene, in a storyboard of the test's own.
class HeaderScreen : public TitledViewController, public StoryboardIdentifiable {
public:
    static constexpr const char* storyboardIdentifier = "HeaderScreen";

    std::shared_ptr<UILabel> label;
    std::shared_ptr<UIImageView> avatar;
};

std::shared_ptr<UIView> buildHeaderScene(SceneKey key, HeaderScreen& screen) {
    auto root = UIView::make(CGRect{0, 0, 375, 667});
    screen.label = UIView::make<UILabel>(CGRect{60, 10, 200, 40});
    screen.label->setText("From the scene");
    screen.avatar = UIView::make<UIImageView>(CGRect{10, 10, 40, 40});
    root->addSubview(screen.label);
    root->addSubview(screen.avatar);
    screen.titleLabel.connect(key, screen.label);
    screen.titleAvatar.connect(key, screen.avatar);
    return root;
}

class TitledViewControllerTest : public SupportUITest {
protected:
    void SetUp() override {
        SupportUITest::SetUp();
        SceneRegistrar::add<HeaderScreen>("TitledScenes", &buildHeaderScene);
    }
    void TearDown() override {
        UIStoryboardTestApi::unregisterStoryboard("TitledScenes");
        SupportUITest::TearDown();
    }
    std::shared_ptr<HeaderScreen> headerScreen() {
        return instantiateVC<HeaderScreen>(*UIStoryboard::make("TitledScenes"));
    }
};

TEST_F(TitledViewControllerTest, TheHeaderShowsTheTenant) {
    auto screen = headerScreen();
    auto left = std::make_shared<UIBarButtonItem>(std::optional<std::string>("Item"), UIBarButtonItem::Style::plain);
    screen->navigationItem().setLeftBarButtonItem(left);
    screen->view();
    EXPECT_EQ(screen->label->text(), "Acme support");
    EXPECT_EQ(screen->avatar->backgroundColor(), acmeConfig().primaryColor);
    EXPECT_EQ(left->tintColor(), acmeConfig().primaryColor);
    EXPECT_EQ(screen->navigationItem().rightBarButtonItem(), nullptr);

    auto both = headerScreen();
    auto right = std::make_shared<UIBarButtonItem>(std::optional<std::string>("Item"), UIBarButtonItem::Style::plain);
    both->navigationItem().setRightBarButtonItem(right);
    both->view();
    EXPECT_EQ(right->tintColor(), acmeConfig().primaryColor);
}

TEST_F(TitledViewControllerTest, AnEmptyCompanyNameKeepsTheSpace) {
    auto config = acmeConfig();
    config.name = "";
    core().setConfig(config);
    auto screen = headerScreen();
    screen->view();
    EXPECT_EQ(screen->label->text(), " support");
}

TEST_F(TitledViewControllerTest, TheAvatarIsLoadedFromTheTenantsAddressAndAnEmptyAddressLoadsNothing) {
    LoopbackHTTPServer server;
    server.respond("/logo.png", pngOfColor(0, 0, 255), "image/png");
    auto config = acmeConfig();
    config.avatarUrl = server.url("/logo.png");
    core().setConfig(config);
    auto screen = headerScreen();
    screen->view();
    ASSERT_TRUE(waitFor([&] { return screen->avatar->image() != nullptr; }));
    EXPECT_EQ(screen->avatar->image()->pixelAt(0, 0), UIColor(0, 0, 1, 1));
    EXPECT_EQ(server.requestCount("/logo.png"), 1u);

    // Were the empty text taken for an address, this cached entry would show up.
    ImageCache::shared().setObject(UIImage::filled(CGSize{1, 1}, UIColor::black()), "", 1);
    config.avatarUrl = "";
    core().setConfig(config);
    auto empty = headerScreen();
    empty->view();
    EXPECT_EQ(drain(), 0u);
    EXPECT_EQ(empty->avatar->image(), nullptr);
    EXPECT_EQ(empty->avatar->backgroundColor(), acmeConfig().primaryColor);
    ImageCache::shared().removeAllObjects();
}

TEST_F(TitledViewControllerTest, WithoutAConfigurationTheSceneStaysAsDrawn) {
    core().setConfig(std::nullopt);
    auto screen = headerScreen();
    auto left = std::make_shared<UIBarButtonItem>(std::optional<std::string>("Item"), UIBarButtonItem::Style::plain);
    screen->navigationItem().setLeftBarButtonItem(left);
    screen->view();
    EXPECT_EQ(screen->label->text(), "From the scene");
    EXPECT_EQ(screen->avatar->backgroundColor(), std::nullopt);
    EXPECT_EQ(screen->avatar->image(), nullptr);
    EXPECT_FALSE(left->tintColor());
}

}  // namespace
