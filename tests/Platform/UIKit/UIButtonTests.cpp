#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "support/Platform/UIKitTest.h"

namespace {

struct Screen {
    std::vector<std::string> log;
    void pressed(std::shared_ptr<UIButton> sender) { log.push_back(sender ? "pressed" : "no sender"); }
    void plain() { log.push_back("plain"); }
    void tapped(const std::shared_ptr<UIGestureRecognizer>&) { log.push_back("tap"); }
};

}  // namespace

class UIButtonTests : public UIKitTest {};

TEST_F(UIButtonTests, TitleAndImageFallBackToTheNormalState) {
    auto button = UIView::make<UIButton>();
    button->setTitle("Contact agent", UIControlStateNormal);
    EXPECT_EQ(button->title(UIControlStateDisabled), "Contact agent");
    button->setTitle("Wait", UIControlStateDisabled);
    button->setEnabled(false);
    EXPECT_EQ(button->currentTitle(), "Wait");
    button->setEnabled(true);
    EXPECT_EQ(button->currentTitle(), "Contact agent");
    button->setTitle("", UIControlStateNormal);
    EXPECT_EQ(button->currentTitle(), "");
    EXPECT_EQ(button->currentImage(), nullptr);
    auto star = UIImage::filled({10, 10}, UIColor::white())->withName("christmasStar");
    button->setImage(star, UIControlStateNormal);
    EXPECT_EQ(button->currentImage(), star);
}

TEST_F(UIButtonTests, TapOnAButtonSendsItsActionsToLiveTargetsOnly) {
    auto button = UIView::make<UIButton>(CGRect{10, 10, 100, 40});
    window()->addSubview(button);
    auto screen = std::make_shared<Screen>();
    button->addTarget(screen, &Screen::pressed, UIControlEventTouchUpInside);
    button->addTarget(screen, &Screen::plain, UIControlEventTouchUpInside);
    window()->sendTap({20, 20});
    EXPECT_EQ(screen->log, (std::vector<std::string>{"pressed", "plain"}));

    button->setEnabled(false);
    window()->sendTap({20, 20});
    EXPECT_EQ(screen->log.size(), 2u);
    button->setEnabled(true);

    button->removeTarget(screen.get(), UIControlEventTouchUpInside);
    EXPECT_FALSE(button->hasActions(UIControlEventTouchUpInside));
    button->addTarget(screen, &Screen::plain, UIControlEventTouchUpInside);
    std::weak_ptr<Screen> weak = screen;
    screen.reset();
    EXPECT_TRUE(weak.expired());  // targets are not owned
    window()->sendTap({20, 20});  // and a dead target is not called
}

TEST_F(UIButtonTests, ButtonKeepsTheTapFromAnEnclosingTapRecognizerButNotFromItsOwn) {
    auto button = UIView::make<UIButton>(CGRect{10, 10, 100, 40});
    window()->addSubview(button);
    auto screen = std::make_shared<Screen>();
    button->addTarget(screen, &Screen::plain, UIControlEventTouchUpInside);
    auto tap = std::make_shared<UITapGestureRecognizer>();
    tap->addTarget(screen, &Screen::tapped);
    window()->addGestureRecognizer(tap);

    window()->sendTap({20, 20});
    EXPECT_EQ(screen->log, (std::vector<std::string>{"plain"}));
    window()->sendTap({200, 200});
    EXPECT_EQ(screen->log, (std::vector<std::string>{"plain", "tap"}));

    // A label over the button lets the touch through to it.
    auto label = UIView::make<UILabel>(CGRect{10, 10, 100, 40});
    window()->addSubview(label);
    screen->log.clear();
    window()->sendTap({20, 20});
    EXPECT_EQ(screen->log, (std::vector<std::string>{"plain"}));

    // The button's own recognizer wins and, cancelling touches, suppresses the action.
    auto own = std::make_shared<UITapGestureRecognizer>();
    own->addTarget(screen, &Screen::tapped);
    button->addGestureRecognizer(own);
    screen->log.clear();
    window()->sendTap({20, 20});
    EXPECT_EQ(screen->log, (std::vector<std::string>{"tap"}));
}

TEST_F(UIButtonTests, NavigationBarAppearanceStylesOnlyLaterBarsAndButtonsInsideBars) {
    UIColor red(1, 0, 0, 1);
    auto before = UIView::make<UINavigationBar>();
    UINavigationBar::appearance().tintColor = red;
    UINavigationBar::appearance().titleTextAttributes = TextAttributes{{NSForegroundColorAttributeName, red}};
    UIButton::appearanceWhenContainedInInstancesOfClasses<UINavigationBar>().tintColor = red;

    auto bar = UIView::make<UINavigationBar>();
    EXPECT_EQ(bar->tintColor(), red);
    EXPECT_EQ(bar->titleTextAttributes().at(NSForegroundColorAttributeName), red);
    EXPECT_NE(before->tintColor(), red);
    EXPECT_TRUE(before->titleTextAttributes().empty());

    auto inBar = UIView::make<UIButton>();
    auto outside = UIView::make<UIButton>();
    bar->addSubview(inBar);
    window()->addSubview(bar);
    window()->addSubview(outside);
    EXPECT_TRUE(inBar->hasOwnTintColor());
    EXPECT_EQ(inBar->tintColor(), red);
    EXPECT_FALSE(outside->hasOwnTintColor());

    // A button styled once keeps its tint when the proxy changes later.
    UIButton::appearanceWhenContainedInInstancesOfClasses<UINavigationBar>().tintColor = UIColor::white();
    inBar->removeFromSuperview();
    bar->addSubview(inBar);
    EXPECT_EQ(inBar->tintColor(), red);
}
