#include "UIKit/UITableView.h"

#include <algorithm>

#include "Dispatch/DispatchQueue.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UITouch.h"

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
                           sections_[static_cast<std::size_t>(indexPath.section)]
                               .heights[static_cast<std::size_t>(indexPath.row)]});
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
    selected_.reset();
    for (const auto& section : sections_) {
        if (section.footer) section.footer->removeFromSuperview();
    }
    sections_.clear();

    auto source = dataSource();
    auto delegate = this->delegate();
    int count = source ? std::max(0, source->numberOfSections(*this)) : 0;
    sections_.resize(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        auto& section = sections_[static_cast<std::size_t>(index)];
        section.rows = std::max(0, source->numberOfRowsInSection(*this, index));
        section.footer = delegate ? delegate->viewForFooterInSection(*this, index) : nullptr;
        auto height = delegate ? delegate->heightForFooterInSection(*this, index) : std::nullopt;
        section.footerHeight =
            std::max<CGFloat>(0, height.value_or(section.footer ? section.footer->bounds().size.height : 0));
    }
    loadHeights();
    layoutRows();
    clampContentOffset();
}

int UITableView::numberOfRows(int section) const {
    if (section < 0 || section >= numberOfSections()) return 0;
    return sections_[static_cast<std::size_t>(section)].rows;
}

bool UITableView::isValid(const IndexPath& indexPath) const {
    // Heights exist once the data has loaded; a delegate asked during the load sees no rows yet.
    return indexPath.section >= 0 && indexPath.section < numberOfSections() && indexPath.row >= 0 &&
           static_cast<std::size_t>(indexPath.row) <
               sections_[static_cast<std::size_t>(indexPath.section)].heights.size();
}

// ----- Geometry

void UITableView::setRowHeight(CGFloat height) {
    rowHeight_ = height;
    if (!loaded_) return;
    loadHeights();
    layoutRows();
}

void UITableView::setEstimatedRowHeight(CGFloat height) {
    estimatedRowHeight_ = height;
    if (!loaded_) return;
    loadHeights();
    layoutRows();
}

CGFloat UITableView::estimatedHeightOf(const IndexPath& indexPath) {
    if (auto delegate = this->delegate()) {
        if (auto estimate = delegate->estimatedHeightForRowAt(*this, indexPath); estimate && *estimate > 0) {
            return *estimate;
        }
    }
    return estimatedRowHeight_ > 0 ? estimatedRowHeight_ : defaultRowHeight;
}

void UITableView::loadHeights() {
    ++dataGeneration_;
    geometryWidth_ = bounds().size.width;
    auto delegate = this->delegate();
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        auto& section = sections_[s];
        auto rows = static_cast<std::size_t>(section.rows);
        section.heights.assign(rows, 0);
        section.sizing.assign(rows, fixedHeight);
        section.tops.assign(rows, 0);
        section.validTops = 0;
        section.rowsHeight = 0;
        for (std::size_t r = 0; r < rows; ++r) {
            IndexPath indexPath{static_cast<int>(s), static_cast<int>(r)};
            std::optional<CGFloat> answered;
            if (delegate) answered = delegate->heightForRowAt(*this, indexPath);
            CGFloat height = answered.value_or(rowHeight_);
            if (height == automaticDimension) {
                section.sizing[r] = automaticHeight;
                height = estimatedHeightOf(indexPath);
            }
            section.heights[r] = std::max<CGFloat>(0, height);
            section.rowsHeight += section.heights[r];
        }
    }
    sectionTops_.assign(sections_.size() + 1, 0);
    validSectionTops_ = 0;
    footersNeedPlacing_ = true;
}

bool UITableView::changeHeight(const IndexPath& indexPath, CGFloat height) {
    auto s = static_cast<std::size_t>(indexPath.section);
    auto r = static_cast<std::size_t>(indexPath.row);
    auto& section = sections_[s];
    CGFloat old = section.heights[r];
    if (old == height) return false;
    section.heights[r] = height;
    section.rowsHeight += height - old;
    // Only what lies after the row moves.
    section.validTops = std::min(section.validTops, r + 1);
    validSectionTops_ = std::min(validSectionTops_, s + 1);
    footersNeedPlacing_ = true;
    return true;
}

CGFloat UITableView::sectionTop(std::size_t section) const {
    for (; validSectionTops_ <= section; ++validSectionTops_) {
        std::size_t i = validSectionTops_;
        const Section* before = i == 0 ? nullptr : &sections_[i - 1];
        sectionTops_[i] = before ? sectionTops_[i - 1] + before->rowsHeight + before->footerHeight : 0;
    }
    return sectionTops_[section];
}

CGFloat UITableView::rowTop(const Section& section, std::size_t row) const {
    for (; section.validTops <= row; ++section.validTops) {
        std::size_t i = section.validTops;
        section.tops[i] = i == 0 ? 0 : section.tops[i - 1] + section.heights[i - 1];
    }
    return section.tops[row];
}

std::size_t UITableView::firstRowEndingAfter(const Section& section, CGFloat y) const {
    std::size_t known = section.validTops;
    if (known > 0 && section.tops[known - 1] + section.heights[known - 1] > y) {
        auto begin = section.tops.begin();
        auto after = std::upper_bound(begin, begin + static_cast<std::ptrdiff_t>(known), y);
        return after == begin ? 0 : static_cast<std::size_t>(after - begin) - 1;
    }
    // Past what is known: extend the tops only as far as the answer.
    for (std::size_t r = known; r < section.heights.size(); ++r) {
        if (rowTop(section, r) + section.heights[r] > y) return r;
    }
    return section.heights.size();
}

std::vector<IndexPath> UITableView::rowsBetween(CGFloat top, CGFloat bottom) const {
    std::vector<IndexPath> rows;
    if (sections_.empty() || bottom <= top) return rows;
    sectionTop(sections_.size());
    // The first section ending below the top.
    auto ends = sectionTops_.begin() + 1;
    auto s = static_cast<std::size_t>(std::upper_bound(ends, sectionTops_.end(), top) - ends);
    for (; s < sections_.size() && sectionTops_[s] < bottom; ++s) {
        const auto& section = sections_[s];
        CGFloat base = sectionTops_[s];
        for (std::size_t r = firstRowEndingAfter(section, top - base); r < section.heights.size(); ++r) {
            CGFloat rowTopY = base + rowTop(section, r);
            if (rowTopY >= bottom) break;
            CGFloat height = section.heights[r];
            if (height > 0 && rowTopY + height > top) rows.push_back(IndexPath{static_cast<int>(s), static_cast<int>(r)});
        }
    }
    return rows;
}

CGFloat UITableView::contentHeight() const {
    CGFloat height = sectionTop(sections_.size());
    if (tableFooterView_) height += tableFooterView_->bounds().size.height;
    return height;
}

CGRect UITableView::rectForRow(const IndexPath& indexPath) const {
    if (!isValid(indexPath)) return CGRect::zero();
    auto s = static_cast<std::size_t>(indexPath.section);
    auto r = static_cast<std::size_t>(indexPath.row);
    const auto& section = sections_[s];
    return CGRect{0, sectionTop(s) + rowTop(section, r), bounds().size.width, section.heights[r]};
}

void UITableView::layoutRows() {
    if (!loaded_ || inLayout_) return;
    inLayout_ = true;
    auto keep = sharedView();
    auto source = dataSource();
    CGFloat width = bounds().size.width;
    // Rows are measured at the table's width; another width measures them again.
    if (width != geometryWidth_) loadHeights();
    // Measuring rows that size themselves can move others into view or out of it; each pass
    // measures only rows never measured before, so this ends. A data source that reloads the
    // table from one of its calls starts the passes over, a few times at most.
    int restarts = 0;
    bool again = true;
    while (again) {
        again = false;
        auto generation = dataGeneration_;
        auto changedUnderUs = [&] {
            if (dataGeneration_ == generation) return false;
            again = ++restarts < 8;
            return true;
        };
        setContentSize(CGSize{width, contentHeight()});
        CGFloat top = contentOffset().y;
        auto wanted = rowsBetween(top, top + bounds().size.height);
        // Rows out of view give up their cells first, so the rows coming in can reuse them.
        for (auto it = visible_.begin(); it != visible_.end();) {
            if (!std::binary_search(wanted.begin(), wanted.end(), it->first)) {
                enqueue(it->second);
                it = visible_.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& indexPath : wanted) {
            auto found = visible_.find(indexPath);
            auto cell = found == visible_.end() ? nullptr : found->second;
            if (!cell) {
                cell = source ? source->cellForRowAt(*this, indexPath) : nullptr;
                if (changedUnderUs()) {
                    if (cell) enqueue(cell);
                    break;
                }
                if (!cell) continue;
                visible_[indexPath] = cell;
                cell->place(rectForRow(indexPath));
                if (cell->superview().get() != this) addSubview(cell);
                cell->setSelected(selected_ == indexPath);
                if (auto delegate = this->delegate()) delegate->willDisplay(*this, *cell, indexPath);
                if (changedUnderUs()) break;
            }
            auto& sizing = sections_[static_cast<std::size_t>(indexPath.section)]
                               .sizing[static_cast<std::size_t>(indexPath.row)];
            if (sizing == automaticHeight) {
                sizing |= measuredHeight;
                CGFloat height = cell->systemLayoutSizeFitting(CGSize{width, 0}).height;
                if (changedUnderUs()) break;
                again = changeHeight(indexPath, std::max<CGFloat>(0, height)) || again;
            }
            cell->place(rectForRow(indexPath));
        }
    }
    placeFooters();
    inLayout_ = false;
}

void UITableView::placeFooters() {
    CGFloat width = bounds().size.width;
    if (footersNeedPlacing_) {
        footersNeedPlacing_ = false;
        for (std::size_t s = 0; s < sections_.size(); ++s) {
            const auto& section = sections_[s];
            if (!section.footer) continue;
            section.footer->setFrame(CGRect{0, sectionTop(s) + section.rowsHeight, width, section.footerHeight});
            if (section.footer->superview().get() != this) addSubview(section.footer);
        }
    }
    if (tableFooterView_) {
        auto height = tableFooterView_->bounds().size.height;
        tableFooterView_->setFrame(CGRect{0, contentSize().height - height, width, height});
        if (tableFooterView_->superview().get() != this) addSubview(tableFooterView_);
    }
}

void UITableView::clampContentOffset() {
    CGPoint from = contentOffset();
    // Rows measured at the new end can shorten the content again; follow the end a few times.
    for (int step = 0; step < 8 && contentOffset().y > maximumContentOffsetY(); ++step) {
        moveContentOffset(CGPoint{from.x, maximumContentOffsetY()});
    }
    reportScroll(from, false);
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
    if (section < 0 || section >= numberOfSections()) return nullptr;
    return sections_[static_cast<std::size_t>(section)].footer;
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

CGFloat UITableView::targetOffsetY(const IndexPath& indexPath, ScrollPosition position) const {
    auto row = rectForRow(indexPath);
    auto inset = contentInset();
    CGFloat height = bounds().size.height;
    // The part of the view the insets leave clear.
    CGFloat clear = height - inset.top - inset.bottom;
    CGFloat current = contentOffset().y;
    CGFloat y = current;
    switch (position) {
    case ScrollPosition::top: y = row.minY() - inset.top; break;
    case ScrollPosition::middle: y = row.midY() - inset.top - clear / 2; break;
    case ScrollPosition::bottom: y = row.maxY() - height + inset.bottom; break;
    case ScrollPosition::none:
        if (row.minY() < current + inset.top) {
            y = row.minY() - inset.top;
        } else if (row.maxY() > current + height - inset.bottom) {
            y = row.maxY() - height + inset.bottom;
        }
        break;
    }
    return std::clamp(y, minimumContentOffsetY(), maximumContentOffsetY());
}

void UITableView::scrollToRow(const IndexPath& indexPath, ScrollPosition position, bool animated) {
    if (!loaded_) reloadData();
    if (!isValid(indexPath)) return;
    auto keep = sharedView();
    CGPoint from = contentOffset();
    // Rows that come into view are measured and may move the row; follow it until it stays. Each
    // step measures rows not measured before, so a few steps settle it.
    for (int step = 0; step < 16 && isValid(indexPath); ++step) {
        CGFloat y = targetOffsetY(indexPath, position);
        if (y == contentOffset().y) break;
        moveContentOffset(CGPoint{contentOffset().x, y});
    }
    reportScroll(from, animated);
}

// ----- Updates and selection

void UITableView::beginUpdates() {
    ++updateDepth_;
}

void UITableView::endUpdates() {
    if (updateDepth_ > 0) --updateDepth_;
    if (updateDepth_ > 0 || !loaded_) return;
    loadHeights();
    layoutRows();
    clampContentOffset();
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

void UITableView::touchesEnded(const UITouchSet& touches, const std::shared_ptr<UIEvent>&) {
    for (const auto& touch : touches) {
        for (auto view = touch->view(); view && view.get() != this; view = view->superview()) {
            auto cell = std::dynamic_pointer_cast<UITableViewCell>(view);
            if (!cell) continue;
            if (auto indexPath = indexPathForCell(*cell)) tapRow(*indexPath);
            return;
        }
    }
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
