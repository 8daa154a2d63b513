#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/IndexPath.h"
#include "UIKit/UIScrollView.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UITableViewDataSource.h"
#include "UIKit/UITableViewDelegate.h"

class UIStoryboard;

// Rows in sections, with real cell reuse: only rows inside the visible part of the content have
// cells; a cell that scrolls away (or is dropped by reloadData) goes to the reuse pool of its
// identifier and the next dequeue for that identifier hands it out again after prepareForReuse.
// The data is loaded by reloadData, or by itself on the first main-queue turn after the table
// enters a window.
//
// Row heights are asked for once per row when the data loads (reloadData, the outermost
// endUpdates, a new row height or width) and kept. A row of automaticDimension height has its
// estimate until it first gets a cell; then its cell's systemLayoutSizeFitting measures it, and
// the measure is kept until the data loads again. Scrolling asks only about rows that gain cells
// and costs what is on screen, not the number of rows.
class UITableView : public UIScrollView {
public:
    using CellBuilder = std::function<std::shared_ptr<UITableViewCell>()>;
    enum class ScrollPosition { none, top, middle, bottom };
    static constexpr CGFloat automaticDimension = -1;
    static constexpr CGFloat defaultRowHeight = 44;

    using UIScrollView::UIScrollView;

    std::shared_ptr<UITableViewDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(std::weak_ptr<UITableViewDataSource> dataSource) { dataSource_ = std::move(dataSource); }
    std::shared_ptr<UITableViewDelegate> delegate() const { return delegate_.lock(); }
    // Also the scroll view's delegate, as on the platform.
    void setDelegate(std::weak_ptr<UITableViewDelegate> delegate);

    // A cell class made in code for the identifier.
    void registerCell(const std::string& reuseIdentifier, CellBuilder builder);
    // A prototype: cells made from it get awakeFromNib.
    void registerPrototype(const std::string& reuseIdentifier, CellBuilder builder);
    // Every cell prototype of the storyboard.
    void registerPrototypes(const UIStoryboard& storyboard);

    // A pooled cell (prepared for reuse) or a new one from the registration; null when the
    // identifier is not registered and nothing is pooled.
    std::shared_ptr<UITableViewCell> dequeueReusableCell(const std::string& reuseIdentifier);
    std::shared_ptr<UITableViewCell> dequeueReusableCell(const std::string& reuseIdentifier,
                                                         const IndexPath& indexPath);

    void reloadData();
    bool hasLoadedData() const { return loaded_; }
    int numberOfSections() const { return static_cast<int>(sections_.size()); }
    int numberOfRows(int section) const;

    // The cell of a visible row, else null.
    std::shared_ptr<UITableViewCell> cellForRow(const IndexPath& indexPath) const;
    std::vector<std::shared_ptr<UITableViewCell>> visibleCells() const;
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    std::optional<IndexPath> indexPathForCell(const UITableViewCell& cell) const;
    // In content coordinates; empty for a row that does not exist.
    CGRect rectForRow(const IndexPath& indexPath) const;

    CGFloat rowHeight() const { return rowHeight_; }
    void setRowHeight(CGFloat height);
    CGFloat estimatedRowHeight() const { return estimatedRowHeight_; }
    void setEstimatedRowHeight(CGFloat height);

    // A row that does not exist is ignored. The position is within the part of the view the
    // content insets leave; the offset stays inside the scrollable range. Rows that size
    // themselves are measured on the way, so the row ends where it was asked to be.
    void scrollToRow(const IndexPath& indexPath, ScrollPosition position, bool animated);

    // Row heights are measured again at the outermost endUpdates; cells stay as they are.
    void beginUpdates();
    void endUpdates();

    // Selection made by code: no delegate call, as on the platform.
    void selectRow(const std::optional<IndexPath>& indexPath, bool animated, ScrollPosition position);
    void deselectRow(const IndexPath& indexPath, bool animated);
    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
    bool allowsSelection() const { return allowsSelection_; }
    void setAllowsSelection(bool allows) { allowsSelection_ = allows; }

    // What a tap on a row does: the row becomes selected and the delegate hears did-select.
    // False when the row has no cell on the glass or selection is off.
    bool tapRow(const IndexPath& indexPath);

    std::shared_ptr<UIView> tableFooterView() const { return tableFooterView_; }
    void setTableFooterView(std::shared_ptr<UIView> view);
    // The footer view of a section, if the delegate gave one.
    std::shared_ptr<UIView> footerView(int section) const;

    void layoutSubviews() override;
    void didMoveToWindow() override;
    // A touch that ends on a cell (and that nothing inside the cell kept) taps its row.
    void touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;

protected:
    void contentOffsetDidChange() override;

private:
    struct Registration {
        CellBuilder builder;
        bool prototype = false;
    };

    struct Section {
        int rows = 0;
        std::vector<CGFloat> heights;
        std::vector<std::uint8_t> sizing;  // RowSizing bits
        // Row tops from the section's top, computed on demand: those below validTops are right.
        mutable std::vector<CGFloat> tops;
        mutable std::size_t validTops = 0;
        CGFloat rowsHeight = 0;  // the sum of heights, kept up to date as they change
        std::shared_ptr<UIView> footer;
        CGFloat footerHeight = 0;
    };
    enum RowSizing : std::uint8_t { fixedHeight = 0, automaticHeight = 1, measuredHeight = 2 };

    // Asks for every row's height (estimates for rows that size themselves) and forgets measures.
    void loadHeights();
    CGFloat estimatedHeightOf(const IndexPath& indexPath);
    // False when the height stays as it was; otherwise the tops after the row are recomputed later.
    bool changeHeight(const IndexPath& indexPath, CGFloat height);
    CGFloat sectionTop(std::size_t section) const;
    CGFloat rowTop(const Section& section, std::size_t row) const;
    // The first row of the section ending below `y` (from the section's top); rows when none.
    std::size_t firstRowEndingAfter(const Section& section, CGFloat y) const;
    // Rows with some height between the two content offsets, in order; binary searches.
    std::vector<IndexPath> rowsBetween(CGFloat top, CGFloat bottom) const;
    CGFloat contentHeight() const;
    // Places rows, footers and the table footer; gives cells to the rows in view (measuring those
    // that size themselves) and takes them from the rows out of view.
    void layoutRows();
    void placeFooters();
    // After the data changed: an offset past the new end of the content comes back to it.
    void clampContentOffset();
    void enqueue(const std::shared_ptr<UITableViewCell>& cell);
    bool isValid(const IndexPath& indexPath) const;
    CGFloat targetOffsetY(const IndexPath& indexPath, ScrollPosition position) const;

    std::weak_ptr<UITableViewDataSource> dataSource_;
    std::weak_ptr<UITableViewDelegate> delegate_;
    std::map<std::string, Registration> registrations_;
    std::map<std::string, std::vector<std::shared_ptr<UITableViewCell>>> pool_;
    std::map<IndexPath, std::shared_ptr<UITableViewCell>> visible_;
    std::vector<Section> sections_;
    // Section tops, and the end of the last section: those below validSectionTops_ are right.
    mutable std::vector<CGFloat> sectionTops_;
    mutable std::size_t validSectionTops_ = 0;
    CGFloat geometryWidth_ = 0;
    std::uint64_t dataGeneration_ = 0;  // counts loads of the heights, to notice one mid-layout
    bool footersNeedPlacing_ = false;
    std::shared_ptr<UIView> tableFooterView_;
    std::optional<IndexPath> selected_;
    CGFloat rowHeight_ = defaultRowHeight;
    CGFloat estimatedRowHeight_ = automaticDimension;
    int updateDepth_ = 0;
    bool loaded_ = false;
    bool loadScheduled_ = false;
    bool inLayout_ = false;
    bool allowsSelection_ = true;
};
