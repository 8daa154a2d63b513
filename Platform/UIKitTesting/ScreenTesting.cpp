#include "UIKitTesting/ScreenTesting.h"

#include <algorithm>

#include "UIKit/GlassRenderer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIWindow.h"

bool ScreenTesting::selectRow(UITableView& table, const IndexPath& indexPath) {
    if (table.isHidden() || !table.isUserInteractionEnabled()) return false;
    return table.tapRow(indexPath);
}

CGFloat ScreenTesting::scroll(UITableView& table, CGFloat dy) {
    if (!table.isScrollEnabled()) return table.contentOffset().y;
    auto offset = table.contentOffset();
    CGFloat target = std::clamp(offset.y + dy, table.minimumContentOffsetY(), table.maximumContentOffsetY());
    table.setContentOffset(CGPoint{offset.x, target}, false);
    return table.contentOffset().y;
}

bool ScreenTesting::scrollToRow(UITableView& table, const IndexPath& indexPath) {
    if (indexPath.section < 0 || indexPath.section >= table.numberOfSections() || indexPath.row < 0 ||
        indexPath.row >= table.numberOfRows(indexPath.section)) {
        return false;
    }
    // Drag in steps of a screenful, as a person would, until the row shows.
    for (int step = 0; step < 10000 && !table.cellForRow(indexPath); ++step) {
        CGFloat before = table.contentOffset().y;
        CGFloat height = std::max<CGFloat>(1, table.bounds().size.height);
        bool below = table.rectForRow(indexPath).minY() >= before;
        if (scroll(table, below ? height : -height) == before) break;
    }
    return table.cellForRow(indexPath) != nullptr;
}

std::shared_ptr<UIAlertController> ScreenTesting::visibleAlert(const std::shared_ptr<UIWindow>& window) {
    if (!window) return nullptr;
    auto controller = window->rootViewController();
    std::shared_ptr<UIAlertController> alert;
    for (; controller; controller = controller->presentedViewController()) {
        alert = std::dynamic_pointer_cast<UIAlertController>(controller);
        if (!controller->presentedViewController()) break;
    }
    return alert;
}

bool ScreenTesting::pressAlertAction(const std::shared_ptr<UIWindow>& window, const std::string& title) {
    auto alert = visibleAlert(window);
    if (!alert) return false;
    return alert->pressAction(alert->actionTitled(title));
}

bool ScreenTesting::tapBarButtonItem(const std::shared_ptr<UIBarButtonItem>& item) {
    if (!item || !item->isEnabled() || item->isSpace()) return false;
    item->sendAction();
    return true;
}

bool ScreenTesting::tapBackButton(UINavigationController& navigation) {
    return navigation.tapBackButton();
}

std::string ScreenTesting::glass(const std::shared_ptr<UIWindow>& window) {
    return GlassRenderer::render(window);
}
