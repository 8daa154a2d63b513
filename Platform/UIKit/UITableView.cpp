#include "UIKit/UITableView.h"

#include <algorithm>

#include "Dispatch/DispatchQueue.h"
#include "UIKit/UIStoryboard.h"

void UITableView::setDelegate(std::weak_ptr<UITableViewDelegate> delegate) {
    delegate_ = delegate;
    setScrollDelegate(std::weak_ptr<UIScrollViewDelegate>(delegate.lock()));
}

// ----- Registration and reuse

void UITableView::registerCell(const std::string& reuseIdentifier, CellBuilder builder) {
    registrations_[reuseIdentifier] = Registration{std::move(builder), false};
}

void UITableView::registerPrototype(const std::string& reuseIdentifier, CellBuilder builder) {
    registrations_[reuseIdentifier] = Registration{std::move(builder), true};
}

void UITableView::registerPrototypes(const UIStoryboard& storyboard) {
    for (const auto& identifier : storyboard.cellPrototypeIdentifiers()) {
        if (auto builder = storyboard.cellPrototype(identifier)) registerPrototype(identifier, std::move(builder));
    }
}

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCell(const std::string& reuseIdentifier) {
    auto& pooled = pool_[reuseIdentifier];
    if (!pooled.empty()) {
        auto cell = std::move(pooled.back());
        pooled.pop_back();
        cell->prepareForReuse();
        return cell;
    }
    auto registration = registrations_.find(reuseIdentifier);
    if (registration == registrations_.end() || !registration->second.builder) return nullptr;
    bool prototype = registration->second.prototype;
    auto cell = registration->second.builder();
    if (!cell) return nullptr;
    cell->reuseIdentifier_ = reuseIdentifier;
    cell->place(CGRect{0, 0, bounds().size.width, cell->bounds().size.height});
    if (prototype) cell->awakeFromNib();
    return cell;
}

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCell(const std::string& reuseIdentifier,
                                                                  const IndexPath& indexPath) {
    auto cell = dequeueReusableCell(reuseIdentifier);
    // Sized for its row already, so the data source can lay it out.
    if (cell && isValid(indexPath)) {
        cell->place(CGRect{0, 0, bounds().size.width,
                           rowHeights_[static_cast<std::size_t>(indexPath.section)]
                                      [static_cast<std::size_t>(indexPath.row)]});
    }
    return cell;
}

void UITableView::enqueue(const std::shared_ptr<UITableViewCell>& cell) {
    cell->removeFromSuperview();
    cell->setSelected(false);
    if (!cell->reuseIdentifier_.empty()) pool_[cell->reuseIdentifier_].push_back(cell);
}

// ----- Data

void UITableView::reloadData() {
    loaded_ = true;
    for (auto& [indexPath, cell] : visible_) enqueue(cell);
    visible_.clear();
    measured_.clear();
    selected_.reset();
    for (const auto& footer : footers_) {
        if (footer) footer->removeFromSuperview();
    }
    footers_.clear();
    footerHeights_.clear();
    rowCounts_.clear();

    auto source = dataSource();
    auto delegate = this->delegate();
    int sections = source ? std::max(0, source->numberOfSections(*this)) : 0;
    for (int section = 0; section < sections; ++section) {
        rowCounts_.push_back(std::max(0, source->numberOfRowsInSection(*this, section)));
        auto footer = delegate ? delegate->viewForFooterInSection(*this, section) : nullptr;
        auto height = delegate ? delegate->heightForFooterInSection(*this, section) : std::nullopt;
        footers_.push_back(footer);
        footerHeights_.push_back(std::max<CGFloat>(0, height.value_or(footer ? footer->bounds().size.height : 0)));
    }
    layoutRows();
}

int UITableView::numberOfRows(int section) const {
    if (section < 0 || section >= numberOfSections()) return 0;
    return rowCounts_[static_cast<std::size_t>(section)];
}

bool UITableView::isValid(const IndexPath& indexPath) const {
    return indexPath.section >= 0 && indexPath.section < numberOfSections() && indexPath.row >= 0 &&
           indexPath.row < numberOfRows(indexPath.section) &&
           static_cast<std::size_t>(indexPath.section) < rowHeights_.size();
}

// ----- Geometry

void UITableView::setRowHeight(CGFloat height) {
    rowHeight_ = height;
    if (loaded_) layoutRows();
}

void UITableView::setEstimatedRowHeight(CGFloat height) {
    estimatedRowHeight_ = height;
    if (loaded_) layoutRows();
}

CGFloat UITableView::estimatedHeightOf(const IndexPath& indexPath) {
    if (auto delegate = this->delegate()) {
        if (auto estimate = delegate->estimatedHeightForRowAt(*this, indexPath); estimate && *estimate > 0) {
            return *estimate;
        }
    }
    return estimatedRowHeight_ > 0 ? estimatedRowHeight_ : defaultRowHeight;
}

CGFloat UITableView::heightOf(const IndexPath& indexPath) {
    std::optional<CGFloat> answered;
    if (auto delegate = this->delegate()) answered = delegate->heightForRowAt(*this, indexPath);
    CGFloat height = answered.value_or(rowHeight_);
    if (height != automaticDimension) return std::max<CGFloat>(0, height);
    // Sized by its cell: measured once the row has had a cell, estimated until then.
    if (auto it = measured_.find(indexPath); it != measured_.end()) return it->second;
    return estimatedHeightOf(indexPath);
}

void UITableView::computeGeometry() {
    rowTops_.assign(rowCounts_.size(), {});
    rowHeights_.assign(rowCounts_.size(), {});
    footerTops_.assign(rowCounts_.size(), 0);
    CGFloat y = 0;
    for (std::size_t section = 0; section < rowCounts_.size(); ++section) {
        for (int row = 0; row < rowCounts_[section]; ++row) {
            CGFloat height = heightOf(IndexPath{static_cast<int>(section), row});
            rowTops_[section].push_back(y);
            rowHeights_[section].push_back(height);
            y += height;
        }
        footerTops_[section] = y;
        y += footerHeights_[section];
    }
    if (tableFooterView_) y += tableFooterView_->bounds().size.height;
    setContentSize(CGSize{bounds().size.width, y});
}

CGRect UITableView::rectForRow(const IndexPath& indexPath) const {
    if (!isValid(indexPath)) return CGRect::zero();
    auto section = static_cast<std::size_t>(indexPath.section);
    auto row = static_cast<std::size_t>(indexPath.row);
    return CGRect{0, rowTops_[section][row], bounds().size.width, rowHeights_[section][row]};
}

void UITableView::layoutRows() {
    if (!loaded_ || inLayout_) return;
    inLayout_ = true;
    auto source = dataSource();
    CGFloat width = bounds().size.width;
    // Measuring rows that size themselves can move others into view; a few passes settle it.
    for (int pass = 0; pass < 4; ++pass) {
        computeGeometry();
        CGFloat top = contentOffset().y;
        CGFloat bottom = top + bounds().size.height;
        std::vector<IndexPath> wanted;
        for (std::size_t section = 0; section < rowTops_.size(); ++section) {
            for (std::size_t row = 0; row < rowTops_[section].size(); ++row) {
                CGFloat rowTop = rowTops_[section][row];
                CGFloat rowBottom = rowTop + rowHeights_[section][row];
                if (rowHeights_[section][row] > 0 && rowBottom > top && rowTop < bottom) {
                    wanted.push_back(IndexPath{static_cast<int>(section), static_cast<int>(row)});
                }
            }
        }
        // Rows out of view give up their cells first, so the rows coming in can reuse them.
        for (auto it = visible_.begin(); it != visible_.end();) {
            if (std::find(wanted.begin(), wanted.end(), it->first) == wanted.end()) {
                enqueue(it->second);
                it = visible_.erase(it);
            } else {
                ++it;
            }
        }
        bool remeasured = false;
        for (const auto& indexPath : wanted) {
            auto found = visible_.find(indexPath);
            auto cell = found == visible_.end() ? nullptr : found->second;
            if (!cell) {
                cell = source ? source->cellForRowAt(*this, indexPath) : nullptr;
                if (!cell) continue;
                visible_[indexPath] = cell;
                cell->place(rectForRow(indexPath));
                if (cell->superview().get() != this) addSubview(cell);
                cell->setSelected(selected_ == indexPath);
                if (auto delegate = this->delegate()) delegate->willDisplay(*this, *cell, indexPath);
            }
            cell->place(rectForRow(indexPath));
            std::optional<CGFloat> answered;
            if (auto delegate = this->delegate()) answered = delegate->heightForRowAt(*this, indexPath);
            if (answered.value_or(rowHeight_) == automaticDimension && !measured_.contains(indexPath)) {
                measured_[indexPath] = std::max<CGFloat>(0, cell->fittingHeight(width));
                remeasured = true;
            }
        }
        if (!remeasured) break;
    }
    for (std::size_t section = 0; section < footers_.size(); ++section) {
        const auto& footer = footers_[section];
        if (!footer) continue;
        footer->setFrame(CGRect{0, footerTops_[section], width, footerHeights_[section]});
        if (footer->superview().get() != this) addSubview(footer);
    }
    if (tableFooterView_) {
        auto height = tableFooterView_->bounds().size.height;
        tableFooterView_->setFrame(CGRect{0, contentSize().height - height, width, height});
        if (tableFooterView_->superview().get() != this) addSubview(tableFooterView_);
    }
    inLayout_ = false;
}

void UITableView::layoutSubviews() {
    UIScrollView::layoutSubviews();
    layoutRows();
}

void UITableView::didMoveToWindow() {
    UIScrollView::didMoveToWindow();
    if (loaded_ || loadScheduled_ || !window()) return;
    // Like the platform's first layout pass: the table asks for its data on the next turn.
    loadScheduled_ = true;
    std::weak_ptr<UIView> weak = sharedView();
    DispatchQueue::main().async([weak] {
        auto table = std::static_pointer_cast<UITableView>(weak.lock());
        if (!table) return;
        table->loadScheduled_ = false;
        if (!table->loaded_ && table->window()) table->reloadData();
    });
}

void UITableView::contentOffsetDidChange() {
    layoutRows();
}

void UITableView::setTableFooterView(std::shared_ptr<UIView> view) {
    if (tableFooterView_) tableFooterView_->removeFromSuperview();
    tableFooterView_ = std::move(view);
    if (loaded_) layoutRows();
}

std::shared_ptr<UIView> UITableView::footerView(int section) const {
    if (section < 0 || static_cast<std::size_t>(section) >= footers_.size()) return nullptr;
    return footers_[static_cast<std::size_t>(section)];
}

// ----- Cells on the glass

std::shared_ptr<UITableViewCell> UITableView::cellForRow(const IndexPath& indexPath) const {
    auto it = visible_.find(indexPath);
    return it == visible_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<UITableViewCell>> UITableView::visibleCells() const {
    std::vector<std::shared_ptr<UITableViewCell>> cells;
    for (const auto& [indexPath, cell] : visible_) cells.push_back(cell);
    return cells;
}

std::vector<IndexPath> UITableView::indexPathsForVisibleRows() const {
    std::vector<IndexPath> paths;
    for (const auto& [indexPath, cell] : visible_) paths.push_back(indexPath);
    return paths;
}

std::optional<IndexPath> UITableView::indexPathForCell(const UITableViewCell& cell) const {
    for (const auto& [indexPath, visible] : visible_) {
        if (visible.get() == &cell) return indexPath;
    }
    return std::nullopt;
}

// ----- Scrolling

void UITableView::scrollToRow(const IndexPath& indexPath, ScrollPosition position, bool animated) {
    if (!loaded_) reloadData();
    if (!isValid(indexPath)) return;
    auto row = rectForRow(indexPath);
    auto inset = contentInset();
    CGFloat height = bounds().size.height;
    CGFloat current = contentOffset().y;
    CGFloat y = current;
    switch (position) {
    case ScrollPosition::top: y = row.minY() - inset.top; break;
    case ScrollPosition::middle: y = row.midY() - height / 2; break;
    case ScrollPosition::bottom: y = row.maxY() - height + inset.bottom; break;
    case ScrollPosition::none:
        if (row.minY() < current + inset.top) {
            y = row.minY() - inset.top;
        } else if (row.maxY() > current + height - inset.bottom) {
            y = row.maxY() - height + inset.bottom;
        }
        break;
    }
    y = std::clamp(y, minimumContentOffsetY(), maximumContentOffsetY());
    setContentOffset(CGPoint{contentOffset().x, y}, animated);
}

// ----- Updates and selection

void UITableView::beginUpdates() {
    ++updateDepth_;
}

void UITableView::endUpdates() {
    if (updateDepth_ > 0) --updateDepth_;
    if (updateDepth_ > 0 || !loaded_) return;
    measured_.clear();
    layoutRows();
}

void UITableView::selectRow(const std::optional<IndexPath>& indexPath, bool animated, ScrollPosition position) {
    if (selected_) {
        if (auto cell = cellForRow(*selected_)) cell->setSelected(false, animated);
    }
    selected_.reset();
    if (!indexPath || !isValid(*indexPath)) return;
    selected_ = indexPath;
    if (position != ScrollPosition::none) scrollToRow(*indexPath, position, animated);
    if (auto cell = cellForRow(*indexPath)) cell->setSelected(true, animated);
}

void UITableView::deselectRow(const IndexPath& indexPath, bool animated) {
    if (selected_ != indexPath) return;
    selected_.reset();
    if (auto cell = cellForRow(indexPath)) cell->setSelected(false, animated);
}

bool UITableView::tapRow(const IndexPath& indexPath) {
    auto cell = cellForRow(indexPath);
    if (!cell || !allowsSelection_ || cell->isHidden()) return false;
    // The delegate may reload or drop the table; keep both alive through the call.
    auto self = sharedView();
    auto delegate = this->delegate();
    if (selected_ && *selected_ != indexPath) {
        auto previous = *selected_;
        deselectRow(previous, false);
        if (delegate) delegate->didDeselectRowAt(*this, previous);
    }
    selected_ = indexPath;
    cell->setSelected(true, false);
    if (delegate) delegate->didSelectRowAt(*this, indexPath);
    return true;
}
