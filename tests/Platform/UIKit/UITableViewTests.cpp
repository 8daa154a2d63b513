#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "UIKitTesting/UIStoryboardTestApi.h"
#include "support/Platform/UIKitTest.h"

namespace {

class CountingCell : public UITableViewCell {
public:
    using UITableViewCell::UITableViewCell;
    void prepareForReuse() override { ++prepared; }
    void awakeFromNib() override { ++awoken; }
    int prepared = 0;
    int awoken = 0;
    std::string shows;
};

// Rows named "r<section>.<row>"; heights and footers as the test sets them.
class Rows : public UITableViewDataSource, public UITableViewDelegate {
public:
    int numberOfSections(UITableView&) override { return static_cast<int>(counts.size()); }
    int numberOfRowsInSection(UITableView&, int section) override { return counts[static_cast<std::size_t>(section)]; }
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override {
        ++cellRequests;
        auto cell = std::dynamic_pointer_cast<CountingCell>(table.dequeueReusableCell("Row", indexPath));
        if (cell) {
            // Appended rather than `"r" + ...`: GCC 12 at -O3 misreads the latter (-Wstringop-overflow).
            cell->shows = "r";
            cell->shows += indexPath.description();
        }
        return cell;
    }
    std::optional<CGFloat> heightForRowAt(UITableView&, const IndexPath& indexPath) override {
        auto it = heights.find(indexPath);
        return it == heights.end() ? std::nullopt : std::optional<CGFloat>(it->second);
    }
    std::shared_ptr<UIView> viewForFooterInSection(UITableView&, int) override {
        return footers ? UIView::make(CGRect{0, 0, 10, 30}) : nullptr;
    }
    void didSelectRowAt(UITableView&, const IndexPath& indexPath) override { selected.push_back(indexPath); }
    void scrollViewDidScroll(UIScrollView& scrollView) override { scrolls.push_back(scrollView.contentOffset().y); }
    void scrollViewDidEndScrollingAnimation(UIScrollView&) override { ++animationsEnded; }

    std::vector<int> counts{100};
    std::map<IndexPath, CGFloat> heights;
    bool footers = false;
    int cellRequests = 0;
    std::vector<IndexPath> selected;
    std::vector<CGFloat> scrolls;
    int animationsEnded = 0;
};

class UITableViewTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        table = UIView::make<UITableView>(CGRect{0, 0, 320, 440});
        table->registerCell("Row", [] { return UIView::make<CountingCell>(); });
        table->setDataSource(rows);
        table->setDelegate(rows);
    }
    std::vector<std::string> shown() const {
        std::vector<std::string> names;
        for (const auto& cell : table->visibleCells()) names.push_back(std::static_pointer_cast<CountingCell>(cell)->shows);
        return names;
    }

    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    std::shared_ptr<UITableView> table;
};

TEST_F(UITableViewTest, OnlyRowsInViewHaveCellsAndScrolledAwayCellsAreHandedOutAgain) {
    table->reloadData();
    EXPECT_EQ(table->visibleCells().size(), 10u);  // 440 points of 44-point rows
    EXPECT_EQ(table->contentSize().height, 4400);
    EXPECT_EQ(rows->cellRequests, 10);
    auto first = std::static_pointer_cast<CountingCell>(table->cellForRow({0, 0}));
    ASSERT_NE(first, nullptr);

    table->setContentOffset(CGPoint{0, 44});
    EXPECT_EQ(table->cellForRow({0, 0}), nullptr);
    EXPECT_EQ(table->cellForRow({0, 10}), first);  // the row that came in got the cell that left
    EXPECT_EQ(first->prepared, 1);
    EXPECT_EQ(first->shows, "r0.10");
    EXPECT_EQ(first->frame(), (CGRect{0, 440, 320, 44}));
    EXPECT_EQ(first->superview(), table);
    EXPECT_EQ(table->visibleCells().size(), 10u);
    EXPECT_EQ(rows->scrolls, (std::vector<CGFloat>{44}));
}

TEST_F(UITableViewTest, ReloadDataReusesEveryCellAfterPreparingIt) {
    rows->counts = {3};
    table->reloadData();
    auto before = table->visibleCells();
    ASSERT_EQ(before.size(), 3u);

    rows->counts = {2};
    table->reloadData();
    auto after = table->visibleCells();
    ASSERT_EQ(after.size(), 2u);
    for (const auto& cell : after) {
        EXPECT_NE(std::find(before.begin(), before.end(), cell), before.end());
        EXPECT_EQ(std::static_pointer_cast<CountingCell>(cell)->prepared, 1);
    }
    EXPECT_EQ(shown(), (std::vector<std::string>{"r0.0", "r0.1"}));
    // The cell left over waits in the pool, off the table.
    auto spare = table->dequeueReusableCell("Row");
    ASSERT_NE(spare, nullptr);
    EXPECT_EQ(spare->superview(), nullptr);
    EXPECT_EQ(table->dequeueReusableCell("Unknown"), nullptr);
}

TEST_F(UITableViewTest, PrototypeCellsAwakeButCellsMadeInCodeDoNot) {
    UIStoryboard::registerCellPrototype("TableBoard", "Proto", [] { return UIView::make<CountingCell>(); });
    auto storyboard = UIStoryboard::make("TableBoard");
    table->registerPrototypes(*storyboard);
    auto proto = std::static_pointer_cast<CountingCell>(table->dequeueReusableCell("Proto"));
    ASSERT_NE(proto, nullptr);
    EXPECT_EQ(proto->awoken, 1);
    EXPECT_EQ(proto->reuseIdentifier(), "Proto");
    auto plain = std::static_pointer_cast<CountingCell>(table->dequeueReusableCell("Row", IndexPath{0, 0}));
    EXPECT_EQ(plain->awoken, 0);
    EXPECT_NE(plain->contentView(), nullptr);
    UIStoryboardTestApi::unregisterStoryboard("TableBoard");
}

TEST_F(UITableViewTest, RowsSizeThemselvesFromTheirContentWhenAskedTo) {
    class TallCell : public CountingCell {
    public:
        CGSize systemLayoutSizeFitting(CGSize target) override { return {target.width, 100}; }
    };
    table->registerCell("Row", [] { return UIView::make<TallCell>(); });
    table->setRowHeight(UITableView::automaticDimension);
    table->setEstimatedRowHeight(50);
    rows->counts = {20};
    table->reloadData();
    // Rows in view are measured; the others keep their estimate.
    EXPECT_EQ(table->rectForRow({0, 0}), (CGRect{0, 0, 320, 100}));
    EXPECT_EQ(table->visibleCells().size(), 5u);
    EXPECT_EQ(table->rectForRow({0, 19}).size.height, 50);

    rows->heights[{0, 1}] = 20;  // the delegate's own height wins
    table->beginUpdates();
    table->endUpdates();
    EXPECT_EQ(table->rectForRow({0, 1}).size.height, 20);
    EXPECT_EQ(table->rectForRow({0, 2}).origin.y, 120);
}

TEST_F(UITableViewTest, ScrollingToARowHonoursThePositionTheInsetAndTheContentEnds) {
    table->setContentInset(UIEdgeInsets{21, 0, 0, 0});
    table->reloadData();
    table->scrollToRow({0, 50}, UITableView::ScrollPosition::top, false);
    EXPECT_EQ(table->contentOffset().y, 50 * 44 - 21);
    table->scrollToRow({0, 50}, UITableView::ScrollPosition::bottom, false);
    EXPECT_EQ(table->contentOffset().y, 51 * 44 - 440);
    table->scrollToRow({0, 99}, UITableView::ScrollPosition::top, false);
    EXPECT_EQ(table->contentOffset().y, 4400 - 440);  // never past the end
    table->scrollToRow({0, 0}, UITableView::ScrollPosition::top, true);
    EXPECT_EQ(table->contentOffset().y, -21);
    EXPECT_NE(table->cellForRow({0, 0}), nullptr);
    table->scrollToRow({3, 0}, UITableView::ScrollPosition::top, false);  // no such row
    EXPECT_EQ(table->contentOffset().y, -21);
}

TEST_F(UITableViewTest, TappingARowSelectsItAndTellsTheDelegate) {
    rows->counts = {3};
    table->reloadData();
    EXPECT_TRUE(table->tapRow({0, 1}));
    EXPECT_TRUE(table->tapRow({0, 2}));
    EXPECT_EQ(rows->selected, (std::vector<IndexPath>{{0, 1}, {0, 2}}));
    EXPECT_FALSE(table->cellForRow({0, 1})->isSelected());
    EXPECT_TRUE(table->cellForRow({0, 2})->isSelected());
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 2}));
    EXPECT_FALSE(table->tapRow({0, 7}));  // no such row on the glass
    table->selectRow(IndexPath{0, 0}, false, UITableView::ScrollPosition::none);
    EXPECT_EQ(rows->selected.size(), 2u);  // selection by code is silent
}

TEST_F(UITableViewTest, ATapOnTheGlassSelectsTheRowUnderItUnlessAControlInTheCellTakesIt) {
    rows->counts = {3};
    window()->addSubview(table);
    table->reloadData();
    auto cell = table->cellForRow({0, 1});
    ASSERT_NE(cell, nullptr);
    auto label = UIView::make<UILabel>(CGRect{10, 5, 100, 20});  // no touches: the cell gets them
    auto button = UIView::make<UIButton>(CGRect{250, 5, 40, 30});
    cell->contentView()->addSubview(label);
    cell->contentView()->addSubview(button);
    int pressed = 0;
    button->addAction([&](const std::shared_ptr<UIControl>&) { ++pressed; }, UIControlEventTouchUpInside);

    window()->sendTap(label->convertPointTo({5, 5}, nullptr));
    EXPECT_EQ(rows->selected, (std::vector<IndexPath>{{0, 1}}));
    window()->sendTap(button->convertPointTo({5, 5}, nullptr));
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(rows->selected.size(), 1u);
    // A disabled button lets the tap through to its row.
    button->setEnabled(false);
    window()->sendTap(button->convertPointTo({5, 5}, nullptr));
    EXPECT_EQ(rows->selected.size(), 2u);
    // Below the last row there is no row to select.
    window()->sendTap(table->convertPointTo({10, 300}, nullptr));
    EXPECT_EQ(rows->selected.size(), 2u);
}

TEST_F(UITableViewTest, SectionsAndFootersStackInOrder) {
    rows->counts = {2, 1};
    rows->footers = true;
    table->reloadData();
    EXPECT_EQ(table->numberOfSections(), 2);
    EXPECT_EQ(table->rectForRow({1, 0}).origin.y, 2 * 44 + 30);
    ASSERT_NE(table->footerView(0), nullptr);
    EXPECT_EQ(table->footerView(0)->frame(), (CGRect{0, 88, 320, 30}));
    EXPECT_EQ(table->contentSize().height, 3 * 44 + 2 * 30);
}

TEST_F(UITableViewTest, ATableLoadsByItselfOnTheTurnAfterItEntersAWindow) {
    rows->counts = {2};
    window()->addSubview(table);
    EXPECT_FALSE(table->hasLoadedData());
    drain();
    EXPECT_TRUE(table->hasLoadedData());
    EXPECT_EQ(shown(), (std::vector<std::string>{"r0.0", "r0.1"}));
}

TEST_F(UITableViewTest, AGoneDataSourceLeavesAnEmptyTable) {
    table->setDataSource(std::make_shared<Rows>());  // dies at once: held weakly
    table->reloadData();
    EXPECT_EQ(table->numberOfSections(), 0);
    EXPECT_TRUE(table->visibleCells().empty());
}

TEST_F(UITableViewTest, TheDelegateHearsEveryScrollByCodeByDragAndByAReloadThatShortensTheContent) {
    table->reloadData();
    table->setContentOffset(CGPoint{0, 100});
    table->setContentOffset(CGPoint{0, 100});  // no move, nothing to hear
    EXPECT_EQ(UIEventGenerator::scroll(table, 50), 150);
    table->scrollToRow({0, 50}, UITableView::ScrollPosition::top, false);
    EXPECT_EQ(rows->scrolls, (std::vector<CGFloat>{100, 150, 50 * 44}));

    rows->counts = {20};  // 880 points of content: the end is at 440
    table->reloadData();
    EXPECT_EQ(table->contentOffset().y, 440);
    EXPECT_EQ(rows->scrolls.back(), 440);
    ASSERT_FALSE(shown().empty());
    EXPECT_EQ(shown().back(), "r0.19");

    table->scrollToRow({0, 0}, UITableView::ScrollPosition::top, true);
    EXPECT_EQ(rows->scrolls.back(), 0);
    EXPECT_EQ(rows->animationsEnded, 0);
    advance(UIScrollView::scrollAnimationDuration);
    EXPECT_EQ(rows->animationsEnded, 1);
    table->scrollToRow({0, 0}, UITableView::ScrollPosition::top, true);  // already there
    advance(UIScrollView::scrollAnimationDuration);
    EXPECT_EQ(rows->animationsEnded, 1);
    EXPECT_EQ(rows->scrolls.size(), 5u);
}

TEST_F(UITableViewTest, VisibleRowsAreExactlyThoseInViewAcrossSectionsFootersAndEmptyRows) {
    rows->counts = {3, 0, 5, 1, 40, 2};
    rows->footers = true;
    rows->heights = {{{0, 1}, 0}, {{2, 0}, 100}, {{2, 4}, 0}, {{3, 0}, 0}, {{4, 7}, 300}, {{4, 39}, 1}};
    table->reloadData();
    std::vector<IndexPath> all;
    for (int s = 0; s < table->numberOfSections(); ++s) {
        for (int r = 0; r < table->numberOfRows(s); ++r) all.push_back({s, r});
    }
    for (CGFloat offset = -60; offset < table->contentSize().height + 60; offset += 37) {
        SCOPED_TRACE(offset);
        table->setContentOffset(CGPoint{0, offset});
        std::vector<IndexPath> expected;
        for (const auto& indexPath : all) {
            auto rect = table->rectForRow(indexPath);
            if (rect.size.height > 0 && rect.maxY() > offset && rect.minY() < offset + 440) expected.push_back(indexPath);
        }
        EXPECT_EQ(table->indexPathsForVisibleRows(), expected);
        for (const auto& indexPath : expected) EXPECT_EQ(table->cellForRow(indexPath)->frame(), table->rectForRow(indexPath));
    }
}

// ----- Rows that size themselves to their message

// A chat message: a wrapping label 16 points in from the sides, 8 below the top, with an 8-point
// bottom margin. At the platform's 17-point label font a line is 21 high and holds 33 graphemes
// across a 320-point table.
class MessageCell : public UITableViewCell {
public:
    using UITableViewCell::UITableViewCell;
    static std::shared_ptr<MessageCell> make(int* measures) {
        auto cell = UIView::make<MessageCell>(CGRect{0, 0, 320, 44});
        cell->measures = measures;
        cell->message = UIView::make<UILabel>(CGRect{16, 8, 288, 21});
        cell->message->setNumberOfLines(0);
        cell->message->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
        cell->contentView()->addSubview(cell->message);
        cell->contentView()->setLayoutMargins(UIEdgeInsets{0, 0, 8, 0});
        return cell;
    }
    CGSize systemLayoutSizeFitting(CGSize target) override {
        if (measures) ++*measures;
        return UITableViewCell::systemLayoutSizeFitting(target);
    }
    std::shared_ptr<UILabel> message;
    int* measures = nullptr;
};

const std::string oneLine = "Hi";
const std::string twoLines = "Are you still there? I have a question about my order";

// Messages, counting every question the table asks.
class Messages : public UITableViewDataSource, public UITableViewDelegate {
public:
    int numberOfRowsInSection(UITableView&, int) override { return static_cast<int>(texts.size()); }
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override {
        cellsAskedFor.push_back(indexPath.row);
        auto cell = std::static_pointer_cast<MessageCell>(table.dequeueReusableCell("Message", indexPath));
        cell->message->setText(texts[static_cast<std::size_t>(indexPath.row)]);
        return cell;
    }
    std::optional<CGFloat> heightForRowAt(UITableView&, const IndexPath&) override {
        ++heightQuestions;
        return height;
    }
    std::optional<CGFloat> estimatedHeightForRowAt(UITableView&, const IndexPath&) override {
        ++estimateQuestions;
        return std::nullopt;
    }
    void forget() {
        cellsAskedFor.clear();
        heightQuestions = estimateQuestions = measures = 0;
    }

    std::vector<std::string> texts;
    std::optional<CGFloat> height;  // the delegate's answer
    std::vector<int> cellsAskedFor;
    int heightQuestions = 0;
    int estimateQuestions = 0;
    int measures = 0;
};

class SelfSizingTableTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        table = UIView::make<UITableView>(CGRect{0, 0, 320, 440});
        int* measures = &messages->measures;
        table->registerCell("Message", [measures] { return MessageCell::make(measures); });
        table->setDataSource(messages);
        table->setDelegate(messages);
        table->setRowHeight(UITableView::automaticDimension);
    }
    std::shared_ptr<MessageCell> cell(int row) const {
        return std::static_pointer_cast<MessageCell>(table->cellForRow({0, row}));
    }
    std::set<int> rowsOnGlass() const {
        std::set<int> rowNumbers;
        for (const auto& indexPath : table->indexPathsForVisibleRows()) rowNumbers.insert(indexPath.row);
        return rowNumbers;
    }

    std::shared_ptr<Messages> messages = std::make_shared<Messages>();
    std::shared_ptr<UITableView> table;
};

TEST_F(SelfSizingTableTest, ATwoLineMessageRowIsTallerThanAOneLineOne) {
    struct Case {
        const char* what;
        CGFloat tableRowHeight;
        std::optional<CGFloat> delegateHeight;
    };
    for (const auto& c : {Case{"the table sizes rows by their cells", UITableView::automaticDimension, std::nullopt},
                          Case{"the delegate asks for it", 44, UITableView::automaticDimension}}) {
        SCOPED_TRACE(c.what);
        table->setRowHeight(c.tableRowHeight);
        messages->height = c.delegateHeight;
        messages->texts = {oneLine, twoLines, oneLine};
        table->reloadData();
        EXPECT_EQ(table->rectForRow({0, 0}), (CGRect{0, 0, 320, 8 + 21 + 8}));
        EXPECT_EQ(table->rectForRow({0, 1}), (CGRect{0, 37, 320, 8 + 42 + 8}));
        EXPECT_EQ(table->rectForRow({0, 2}).origin.y, 37 + 58);
        EXPECT_EQ(cell(1)->frame(), table->rectForRow({0, 1}));
        EXPECT_EQ(cell(1)->message->frame(), (CGRect{16, 8, 288, 42}));
        EXPECT_EQ(table->contentSize().height, 37 + 58 + 37);

        // Cells handed to other messages take those messages' sizes.
        messages->texts = {twoLines, oneLine};
        table->reloadData();
        EXPECT_EQ(table->rectForRow({0, 0}).size.height, 58);
        EXPECT_EQ(table->rectForRow({0, 1}).size.height, 37);
        EXPECT_EQ(cell(1)->message->frame().size.height, 21);
    }
}

TEST_F(SelfSizingTableTest, ANarrowerTableMeasuresItsRowsAgain) {
    messages->texts = {twoLines};
    table->reloadData();
    EXPECT_EQ(table->rectForRow({0, 0}).size.height, 58);
    table->setFrame(CGRect{0, 0, 200, 440});  // 168 points for the text: 19 graphemes a line
    table->layoutIfNeeded();
    EXPECT_EQ(table->rectForRow({0, 0}).size.height, 8 + 4 * 21 + 8);
    EXPECT_EQ(cell(0)->message->frame(), (CGRect{16, 8, 168, 84}));
}

TEST_F(SelfSizingTableTest, ScrollingToTheBottomPutsTheLastRowJustAboveTheBottomInset) {
    for (int i = 0; i < 60; ++i) messages->texts.push_back(i % 3 == 0 ? twoLines : oneLine);
    table->setEstimatedRowHeight(44);
    table->setContentInset(UIEdgeInsets{20, 0, 50, 0});  // a bar above, an input bar below
    table->reloadData();

    table->scrollToRow({0, 59}, UITableView::ScrollPosition::bottom, false);
    auto last = cell(59);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->frame().size.height, 37);
    EXPECT_EQ(last->frame().maxY() - table->contentOffset().y, 440 - 50);
    EXPECT_EQ(table->contentOffset().y, table->maximumContentOffsetY());

    table->scrollToRow({0, 30}, UITableView::ScrollPosition::middle, false);
    EXPECT_EQ(cell(30)->frame().midY() - table->contentOffset().y, 20 + (440 - 20 - 50) / 2.0);
    table->scrollToRow({0, 30}, UITableView::ScrollPosition::top, false);
    EXPECT_EQ(cell(30)->frame().minY() - table->contentOffset().y, 20);
    table->scrollToRow({0, 0}, UITableView::ScrollPosition::top, false);
    EXPECT_EQ(table->contentOffset().y, -20);

    // At the end, the conversation reloads shorter than estimated: the view stays at the new end.
    table->scrollToRow({0, 59}, UITableView::ScrollPosition::bottom, false);
    for (auto& text : messages->texts) text = oneLine;
    table->reloadData();
    EXPECT_EQ(table->contentOffset().y, table->maximumContentOffsetY());
    EXPECT_EQ(cell(59)->frame().maxY() - table->contentOffset().y, 440 - 50);
}

TEST_F(SelfSizingTableTest, ScrollingAsksOnlyAboutRowsThatGainCells) {
    for (int i = 0; i < 10000; ++i) messages->texts.push_back(std::string(static_cast<std::size_t>(i % 90 + 1), 'm'));
    table->reloadData();
    // Loading asks each row's height once, and its estimate once.
    EXPECT_EQ(messages->heightQuestions, 10000);
    EXPECT_EQ(messages->estimateQuestions, 10000);

    // After a step, the table has asked for cells of the rows that came onto the glass, and of no
    // others but a row or two at the bottom edge that a measure pushed out again; it has measured
    // only rows never measured before, and asked no height at all.
    std::set<int> measured(messages->cellsAskedFor.begin(), messages->cellsAskedFor.end());
    auto step = [&](const std::function<void()>& scroll) {
        auto before = rowsOnGlass();
        messages->forget();
        scroll();
        auto after = rowsOnGlass();
        std::set<int> asked(messages->cellsAskedFor.begin(), messages->cellsAskedFor.end());
        EXPECT_EQ(asked.size(), messages->cellsAskedFor.size()) << "a row asked for twice";
        int newlyMeasured = 0;
        for (int row : after) {
            if (!before.contains(row)) {
                EXPECT_TRUE(asked.contains(row)) << "row " << row;
            }
        }
        for (int row : asked) {
            if (!after.contains(row)) {
                EXPECT_TRUE(row > *after.rbegin() && row <= *after.rbegin() + 2) << "row " << row;
            }
            newlyMeasured += measured.insert(row).second ? 1 : 0;
        }
        EXPECT_EQ(messages->measures, newlyMeasured);
        EXPECT_EQ(messages->heightQuestions, 0);
        EXPECT_EQ(messages->estimateQuestions, 0);
    };
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        step([&] { UIEventGenerator::scroll(table, 150); });
    }
    std::map<int, CGFloat> heights;
    for (int row = 0; row < 40; ++row) heights[row] = table->rectForRow({0, row}).size.height;
    step([&] { table->setContentOffset(CGPoint{0, 5000 * 44}); });
    EXPECT_NEAR(table->indexPathsForVisibleRows().front().row, 5000, 100);  // estimates above it
    // Back to rows measured before: they get cells again and keep their measures.
    table->setContentOffset(CGPoint{0, 0});
    for (int i = 0; i < 5; ++i) step([&] { UIEventGenerator::scroll(table, 150); });
    for (int row : rowsOnGlass()) EXPECT_EQ(table->rectForRow({0, row}).size.height, heights.at(row));
}

}  // namespace
