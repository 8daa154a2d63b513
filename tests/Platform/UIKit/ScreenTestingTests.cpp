#include <memory>
#include <string>
#include <vector>

#include "UIKit/UIAlertController.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/ScreenTesting.h"
#include "support/Platform/UIKitTest.h"

namespace {

class Numbers : public UITableViewDataSource, public UITableViewDelegate {
public:
    int numberOfRowsInSection(UITableView&, int) override { return 30; }
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override {
        return table.dequeueReusableCell("N", indexPath);
    }
    void didSelectRowAt(UITableView&, const IndexPath& indexPath) override { selected.push_back(indexPath.row); }
    void scrollViewDidScroll(UIScrollView&) override { ++scrolls; }
    std::vector<int> selected;
    int scrolls = 0;
};

class ScreenTestingTest : public UIKitTest {
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

TEST_F(ScreenTestingTest, AUserScrollsWithinTheContentAndSelectsOnlyRowsInView) {
    EXPECT_FALSE(ScreenTesting::selectRow(*table, {0, 20}));
    EXPECT_EQ(ScreenTesting::scroll(*table, -50), 0);  // already at the top: no movement
    EXPECT_EQ(numbers->scrolls, 0);
    EXPECT_EQ(ScreenTesting::scroll(*table, 5000), 30 * 44 - 220);
    EXPECT_EQ(numbers->scrolls, 1);
    EXPECT_TRUE(ScreenTesting::scrollToRow(*table, {0, 2}));
    EXPECT_TRUE(ScreenTesting::selectRow(*table, {0, 2}));
    EXPECT_FALSE(ScreenTesting::scrollToRow(*table, {0, 30}));
    EXPECT_EQ(numbers->selected, (std::vector<int>{2}));
}

TEST_F(ScreenTestingTest, AUserPressesTheButtonsOfTheAlertShowing) {
    auto screen = std::make_shared<UIViewController>();
    window()->setRootViewController(screen);
    window()->makeKeyAndVisible();
    EXPECT_FALSE(ScreenTesting::pressAlertAction(window(), "OK"));

    int pressed = 0;
    auto alert = UIAlertController::make("Question", std::nullopt);
    alert->addAction(UIAlertAction::make("OK", UIAlertActionStyle::defaultStyle, [&](const auto&) { ++pressed; }));
    screen->present(alert, true);
    EXPECT_EQ(ScreenTesting::visibleAlert(window()), alert);
    EXPECT_FALSE(ScreenTesting::pressAlertAction(window(), "Cancel"));
    EXPECT_TRUE(ScreenTesting::pressAlertAction(window(), "OK"));
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(glass(window()), "");
}

}  // namespace
