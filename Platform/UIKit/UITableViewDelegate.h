#pragma once

#include <memory>
#include <optional>

#include "UIKit/CGPoint.h"
#include "UIKit/IndexPath.h"
#include "UIKit/UIScrollViewDelegate.h"

class UITableView;
class UITableViewCell;
class UIView;

// How a table lays out and what happens on a touch. Every method has a default; an empty optional
// means "not answered", so the table's own setting applies. Held weakly by the table.
class UITableViewDelegate : public UIScrollViewDelegate {
public:
    // UITableView::automaticDimension sizes the row by its cell.
    virtual std::optional<CGFloat> heightForRowAt(UITableView& /*tableView*/, const IndexPath& /*indexPath*/) {
        return std::nullopt;
    }
    virtual std::optional<CGFloat> estimatedHeightForRowAt(UITableView& /*tableView*/,
                                                           const IndexPath& /*indexPath*/) {
        return std::nullopt;
    }
    virtual std::shared_ptr<UIView> viewForFooterInSection(UITableView& /*tableView*/, int /*section*/) {
        return nullptr;
    }
    // Without an answer a footer view keeps its own height.
    virtual std::optional<CGFloat> heightForFooterInSection(UITableView& /*tableView*/, int /*section*/) {
        return std::nullopt;
    }
    virtual void willDisplay(UITableView& /*tableView*/, UITableViewCell& /*cell*/, const IndexPath& /*indexPath*/) {}
    virtual void didSelectRowAt(UITableView& /*tableView*/, const IndexPath& /*indexPath*/) {}
    virtual void didDeselectRowAt(UITableView& /*tableView*/, const IndexPath& /*indexPath*/) {}
};
