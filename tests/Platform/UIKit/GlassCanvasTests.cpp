#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Foundation/Date.h"
#include "UIKit/CAShapeLayer.h"
#include "UIKit/PictureRenderer.h"
#include "UIKit/UIBezierPath.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIToolbar.h"
#include "UIKit/UIViewController.h"
#include "support/Platform/UIKitTest.h"

namespace {

// A conversation's rows: each a label on a tinted cell.
class ChatRows : public UITableViewDataSource {
public:
    std::vector<std::string> messages;
    int numberOfRowsInSection(UITableView&, int) override { return static_cast<int>(messages.size()); }
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override {
        auto cell = table.dequeueReusableCell("Message", indexPath);
        auto label = std::dynamic_pointer_cast<UILabel>(cell->contentView()->subviews().at(0));
        label->setText(messages.at(static_cast<std::size_t>(indexPath.row)));
        cell->setBackgroundColor(indexPath.row % 2 ? UIColor(0.9, 0.95, 1, 1) : UIColor::white());
        return cell;
    }
};

// Where two pictures first differ, or success.
::testing::AssertionResult samePixels(const Picture& partial, const Picture& whole) {
    if (partial.width != whole.width || partial.height != whole.height) {
        return ::testing::AssertionFailure() << partial.width << "x" << partial.height << " is not " << whole.width
                                             << "x" << whole.height;
    }
    for (int y = 0; y < whole.height; ++y) {
        for (int x = 0; x < whole.width; ++x) {
            if (partial.pixel(x, y) != whole.pixel(x, y)) {
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is 0x" << std::hex
                                                     << partial.pixel(x, y) << ", not 0x" << whole.pixel(x, y);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

long long area(const std::vector<PixelRect>& regions) {
    long long sum = 0;
    for (const auto& r : regions) sum += static_cast<long long>(r.width) * r.height;
    return sum;
}

}  // namespace

// A chat screen built from the toolkit's own views: a navigation bar, a table of messages, an
// input bar whose field carries a toolbar above the keyboard.
class GlassCanvasTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        // The status bar's clock turns only where a step says so, not between a frame and the
        // whole render it is compared with.
        Date::pinWallClock(minuteStart);
        screen = std::make_shared<UIViewController>();
        screen->setTitle("Support");
        window()->setRootViewController(UINavigationController::make(screen));
        auto root = screen->view();
        rows = std::make_shared<ChatRows>();
        for (int i = 0; i < 14; ++i) rows->messages.push_back("message " + std::to_string(i));
        table = UIView::make<UITableView>(CGRect{0, 64, 375, 543});
        table->registerCell("Message", [] {
            auto cell = UIView::make<UITableViewCell>();
            cell->contentView()->addSubview(UIView::make<UILabel>(CGRect{16, 4, 300, 36}));
            return cell;
        });
        table->setDataSource(rows);
        root->addSubview(table);
        inputBar = UIView::make(CGRect{0, 607, 375, 60});
        inputBar->setBackgroundColor(UIColor(0.95, 0.95, 0.95, 1));
        field = UIView::make<UITextField>(CGRect{10, 10, 290, 40});
        field->setPlaceholder("Write a message");
        inputBar->addSubview(field);
        badge = UIView::make<UILabel>(CGRect{310, 15, 55, 30});
        badge->setText("3");
        badge->setBackgroundColor(UIColor::redColor());
        inputBar->addSubview(badge);
        // Drawn above the bar, outside its bounds, as a chat shows who is typing.
        auto typing = UIView::make<UILabel>(CGRect{10, -24, 200, 20});
        typing->setText("Sam is typing");
        inputBar->addSubview(typing);
        root->addSubview(inputBar);
        auto toolbar = UIView::make<UIToolbar>(CGRect{0, 0, 375, 44});
        previous = std::make_shared<UIBarButtonItem>(std::optional<std::string>("\xE2\x80\xB9"), UIBarButtonItem::Style::plain);
        auto flexible = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::flexibleSpace);
        auto done = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::done);
        toolbar->setItems({previous, flexible, done});
        field->setInputAccessoryView(toolbar);
        drain();
    }

    void TearDown() override {
        Date::pinWallClock(std::nullopt);
        UIKitTest::TearDown();
    }

    // Each change, then a frame: the canvas's picture must be the whole render's, pixel for pixel.
    void expectEveryFrameWhole(double scale, const std::vector<std::pair<const char*, std::function<void()>>>& steps) {
        GlassCanvas canvas(scale);
        canvas.update(window());
        canvasSees = [&] { canvas.update(window()); };
        for (const auto& [what, step] : steps) {
            step();
            drain();
            canvas.update(window());
            ASSERT_TRUE(samePixels(canvas.picture(), PictureRenderer::render(window(), scale))) << "after " << what;
        }
    }

    static constexpr Date minuteStart{1772446500};
    // A frame in the middle of a step.
    std::function<void()> canvasSees;
    std::shared_ptr<UIViewController> screen;
    std::shared_ptr<ChatRows> rows;
    std::shared_ptr<UITableView> table;
    std::shared_ptr<UIView> inputBar;
    std::shared_ptr<UITextField> field;
    std::shared_ptr<UILabel> badge;
    std::shared_ptr<UIBarButtonItem> previous;
};

// At 2x as the window shows it, and at a scale where views end inside pixels.
class GlassCanvasFrames : public GlassCanvasTest, public ::testing::WithParamInterface<double> {};
INSTANTIATE_TEST_SUITE_P(Scales, GlassCanvasFrames, ::testing::Values(2.0, 1.5));

TEST_P(GlassCanvasFrames, RedrawingOnlyWhatChangedGivesTheWholePictureFrameAfterFrame) {
    const std::vector<std::pair<const char*, std::function<void()>>> steps{
        {"the keyboard shows and the input bar rises", [&] {
             field->becomeFirstResponder();
             inputBar->setFrame({0, window()->keyboardFrame()->minY() - 60, 375, 60});
         }},
        {"typing", [&] { field->insertText("H"); }},
        {"more typing", [&] { field->insertText("ello"); }},
        {"backspace", [&] { field->deleteBackward(); }},
        {"a new row, scrolled to", [&] {
             rows->messages.push_back("a new message");
             table->reloadData();
             table->scrollToRow({0, static_cast<int>(rows->messages.size()) - 1}, UITableView::ScrollPosition::bottom,
                                false);
         }},
        {"scrolling back", [&] { table->setContentOffset({0, 37}); }},
        {"a row selected", [&] { table->visibleCells().at(2)->setSelected(true); }},
        {"a shape drawn on the screen recoloured", [&] {
             auto dot = std::make_shared<CAShapeLayer>();
             dot->setFrame(CGRect{300, 70, 8, 8});
             dot->setPath(UIBezierPath::makeRoundedRect(CGRect{0, 0, 8, 8}, 4));
             dot->setFillColor(UIColor::blueColor());
             screen->view()->layer()->addSublayer(dot);
             canvasSees();
             dot->setFillColor(UIColor(0, 0.6, 0, 1));
         }},
        {"a bar item above the keyboard disabled", [&] { previous->setEnabled(false); }},
        {"the screen's title", [&] { screen->setTitle("Support team"); }},
        {"the clock's minute turns", [] { Date::pinWallClock(minuteStart.addingTimeInterval(60)); }},
        {"a badge hidden", [&] { badge->setHidden(true); }},
        {"the badge shown half transparent and turned", [&] {
             badge->setHidden(false);
             badge->setAlpha(0.5);
             badge->setTransform(CGAffineTransform::makeScale(1.5, 0.5));
         }},
        {"the input bar faded with what is in it", [&] { inputBar->setAlpha(0.6); }},
        {"the keyboard goes and the bar comes down", [&] {
             field->resignFirstResponder();
             inputBar->setFrame({0, 607, 375, 60});
         }},
        {"the badge removed", [&] { badge->removeFromSuperview(); }},
        {"nothing", [] {}},
    };
    expectEveryFrameWhole(GetParam(), steps);
}

TEST_F(GlassCanvasTest, ASmallChangeRedrawsASmallRegionAndNoChangeNothing) {
    GlassCanvas canvas(2);
    auto first = canvas.update(window());
    ASSERT_EQ(first.size(), 1u);
    const long long whole = static_cast<long long>(canvas.picture().width) * canvas.picture().height;
    EXPECT_EQ(area(first), whole);
    EXPECT_TRUE(canvas.update(window()).empty());

    badge->setText("4");
    auto regions = canvas.update(window());
    ASSERT_FALSE(regions.empty());
    // The badge and the ink around it, not the screen.
    EXPECT_LT(area(regions), whole / 50);
    const auto& r = regions.front();
    EXPECT_LE(r.x, 310 * 2);
    EXPECT_GE(r.x + r.width, 365 * 2);
    EXPECT_TRUE(canvas.update(window()).empty());

    // Another window, or a request for it, is drawn whole.
    canvas.redrawAll();
    EXPECT_EQ(area(canvas.update(window())), whole);
}
