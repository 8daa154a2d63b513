#include <gtest/gtest.h>

#include "UIKit/UIBarButtonItem.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;

namespace {

// A titled scene as a storyboard lays it out.
class HeaderScreen : public TitledViewController {
protected:
    void loadView() override {
        auto root = UIView::make(CGRect{0, 0, 375, 667});
        label = UIView::make<UILabel>(CGRect{60, 10, 200, 40});
        label->setText("From the scene");
        avatar = UIView::make<UIImageView>(CGRect{10, 10, 40, 40});
        root->addSubview(label);
        root->addSubview(avatar);
        titleLabel = label;
        titleAvatar = avatar;
        setView(root);
    }

public:
    std::shared_ptr<UILabel> label;
    std::shared_ptr<UIImageView> avatar;
};

class TitledViewControllerTest : public SupportUITest {};

TEST_F(TitledViewControllerTest, TheHeaderShowsTheTenant) {
    auto screen = std::make_shared<HeaderScreen>();
    auto left = std::make_shared<UIBarButtonItem>(std::optional<std::string>("Item"), UIBarButtonItem::Style::plain);
    screen->navigationItem().setLeftBarButtonItem(left);
    screen->view();
    EXPECT_EQ(screen->label->text(), "Acme support");
    EXPECT_EQ(screen->avatar->backgroundColor(), acmeConfig().primaryColor);
    EXPECT_EQ(left->tintColor(), acmeConfig().primaryColor);
    EXPECT_EQ(screen->navigationItem().rightBarButtonItem(), nullptr);

    auto both = std::make_shared<HeaderScreen>();
    auto right = std::make_shared<UIBarButtonItem>(std::optional<std::string>("Item"), UIBarButtonItem::Style::plain);
    both->navigationItem().setRightBarButtonItem(right);
    both->view();
    EXPECT_EQ(right->tintColor(), acmeConfig().primaryColor);
}

TEST_F(TitledViewControllerTest, AnEmptyCompanyNameKeepsTheSpace) {
    auto config = acmeConfig();
    config.name = "";
    core().setConfig(config);
    auto screen = std::make_shared<HeaderScreen>();
    screen->view();
    EXPECT_EQ(screen->label->text(), " support");
}

TEST_F(TitledViewControllerTest, WithoutAConfigurationTheSceneStaysAsDrawn) {
    core().setConfig(std::nullopt);
    auto screen = std::make_shared<HeaderScreen>();
    auto left = std::make_shared<UIBarButtonItem>(std::optional<std::string>("Item"), UIBarButtonItem::Style::plain);
    screen->navigationItem().setLeftBarButtonItem(left);
    screen->view();
    EXPECT_EQ(screen->label->text(), "From the scene");
    EXPECT_EQ(screen->avatar->backgroundColor(), std::nullopt);
    EXPECT_EQ(screen->avatar->image(), nullptr);
    EXPECT_FALSE(left->tintColor());
}

}  // namespace
