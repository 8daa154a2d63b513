#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/UILabel.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIWindow.h"
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
        if (cell) cell->shows = "r" + indexPath.description();
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

    std::vector<int> counts{100};
    std::map<IndexPath, CGFloat> heights;
    bool footers = false;
    int cellRequests = 0;
    std::vector<IndexPath> selected;
    std::vector<CGFloat> scrolls;
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
    UIStoryboard::unregisterStoryboard("TableBoard");
}

TEST_F(UITableViewTest, RowsSizeThemselvesFromTheirContentWhenAskedTo) {
    class TallCell : public CountingCell {
    public:
        CGFloat fittingHeight(CGFloat) override { return 100; }
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

}  // namespace
