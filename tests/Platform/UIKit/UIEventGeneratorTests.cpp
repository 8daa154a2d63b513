#include <memory>
#include <string>
#include <vector>

#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "support/Platform/UIKitTest.h"

namespace {

class Numbers : public UITableViewDataSource, public UITableViewDelegate {
public:
    int numberOfRowsInSection(UITableView&, int) override { return 30; }
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override {
        return table.dequeueReusableCell("N", indexPath);
    }
    void didSelectRowAt(UITableView&, const IndexPath& indexPath) override { selected.push_back(indexPath.row); }
    void scrollViewDidScroll(UIScrollView& scrollView) override {
        ++scrolls;
        if (scrollView.isDragging()) ++drags;
    }
    std::vector<int> selected;
    int scrolls = 0;
    int drags = 0;
};

class UIEventGeneratorTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        table = UIView::make<UITableView>(CGRect{0, 0, 320, 220});
        table->registerCell("N", [] { return UIView::make<UITableViewCell>(); });
        table->setDataSource(numbers);
        table->setDelegate(numbers);
        table->reloadData();
    }
    std::shared_ptr<Numbers> numbers = std::make_shared<Numbers>();
    std::shared_ptr<UITableView> table;
};

TEST_F(UIEventGeneratorTest, AUserScrollsWithinTheContentAndSelectsOnlyRowsInView) {
    EXPECT_FALSE(UIEventGenerator::selectRow(table, {0, 20}));
    EXPECT_EQ(UIEventGenerator::scroll(table, -50), 0);  // already at the top: no movement
    EXPECT_EQ(numbers->scrolls, 0);
    EXPECT_EQ(UIEventGenerator::scroll(table, 5000), 30 * 44 - 220);
    EXPECT_EQ(numbers->scrolls, 1);
    // A move made by code is no drag.
    table->setContentOffset(CGPoint{0, 10});
    EXPECT_EQ(numbers->scrolls, 2);
    EXPECT_EQ(numbers->drags, 1);
    EXPECT_FALSE(table->isDragging());
    EXPECT_TRUE(UIEventGenerator::scrollToRow(table, {0, 2}));
    EXPECT_TRUE(UIEventGenerator::selectRow(table, {0, 2}));
    EXPECT_FALSE(UIEventGenerator::scrollToRow(table, {0, 30}));
    EXPECT_EQ(numbers->selected, (std::vector<int>{2}));
}

TEST_F(UIEventGeneratorTest, AUserPressesTheButtonsOfTheAlertShowing) {
    auto screen = std::make_shared<UIViewController>();
    window()->setRootViewController(screen);
    window()->makeKeyAndVisible();
    EXPECT_FALSE(UIEventGenerator::pressAlertAction(window(), "OK"));

    int pressed = 0;
    auto alert = UIAlertController::make("Question", std::nullopt);
    alert->addAction(UIAlertAction::make("OK", UIAlertActionStyle::defaultStyle, [&](const auto&) { ++pressed; }));
    screen->present(alert, true);
    EXPECT_EQ(GlassReader::visibleAlert(window()), alert);
    EXPECT_FALSE(UIEventGenerator::pressAlertAction(window(), "Cancel"));
    EXPECT_TRUE(UIEventGenerator::pressAlertAction(window(), "OK"));
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(glass(window()), "");
}

TEST_F(UIEventGeneratorTest, AnAlertCoveredByAnotherPresentationIsNotShowing) {
    auto screen = std::make_shared<UIViewController>();
    window()->setRootViewController(screen);
    window()->makeKeyAndVisible();
    auto alert = UIAlertController::make("Question", std::nullopt);
    alert->addAction(UIAlertAction::make("OK", UIAlertActionStyle::defaultStyle));
    screen->present(alert, false);
    alert->present(std::make_shared<UIViewController>(), false);
    EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);
    EXPECT_FALSE(UIEventGenerator::pressAlertAction(window(), "OK"));
    EXPECT_EQ(GlassReader::visibleAlert(nullptr), nullptr);
}

TEST_F(UIEventGeneratorTest, OnlyAnEnabledBarButtonItemThatIsNoSpaceCanBeTapped) {
    int taps = 0;
    auto item = [&](auto&&... arguments) {
        auto made = std::make_shared<UIBarButtonItem>(arguments...);
        made->setAction([&](const std::shared_ptr<UIBarButtonItem>&) { ++taps; });
        return made;
    };
    auto disabled = item(std::optional<std::string>("Save"), UIBarButtonItem::Style::plain);
    disabled->setEnabled(false);
    EXPECT_FALSE(UIEventGenerator::tap(std::shared_ptr<UIBarButtonItem>()));
    EXPECT_FALSE(UIEventGenerator::tap(disabled));
    EXPECT_FALSE(UIEventGenerator::tap(item(UIBarButtonItem::SystemItem::flexibleSpace)));
    EXPECT_FALSE(UIEventGenerator::tap(item(UIBarButtonItem::SystemItem::fixedSpace)));
    EXPECT_EQ(taps, 0);
    EXPECT_TRUE(UIEventGenerator::tap(item(UIBarButtonItem::SystemItem::done)));
    EXPECT_EQ(taps, 1);
}

TEST_F(UIEventGeneratorTest, TheBackButtonPopsOnlyWhenTheBarShowsOne) {
    auto root = std::make_shared<UIViewController>();
    auto navigation = UINavigationController::make(root);
    window()->setRootViewController(navigation);
    window()->makeKeyAndVisible();
    EXPECT_FALSE(UIEventGenerator::tapBackButton(navigation));  // the root has no back control
    EXPECT_FALSE(UIEventGenerator::tapBackButton(nullptr));

    navigation->pushViewController(std::make_shared<UIViewController>(), false);
    navigation->setNavigationBarHidden(true, false);
    EXPECT_FALSE(UIEventGenerator::tapBackButton(navigation));
    EXPECT_EQ(navigation->viewControllers().size(), 2u);

    navigation->setNavigationBarHidden(false, false);
    EXPECT_TRUE(UIEventGenerator::tapBackButton(navigation));
    advance(UIViewController::transitionDuration);
    EXPECT_EQ(navigation->topViewController(), root);
}

}  // namespace
