#pragma once

#include <memory>
#include <optional>
#include <string>

#include "UIKit/CGPoint.h"
#include "UIKit/IndexPath.h"

class UIAlertController;
class UIBarButtonItem;
class UINavigationController;
class UITableView;
class UIViewController;
class UIWindow;

// What a user does with screens, synchronously: every handler the gesture triggers has run when
// a call returns; only work the code queued waits for the run loop. Each answers false when a
// person could not have done it (a row not on the glass, an alert that is not showing, ...).
class ScreenTesting {
public:
    // Taps a row that has a cell on the glass: it is selected and the delegate hears did-select.
    static bool selectRow(UITableView& table, const IndexPath& indexPath);
    // Drags the content by `dy` points (positive: towards the end); a drag stops at the content's
    // ends. The delegate hears did-scroll. Answers the new offset.
    static CGFloat scroll(UITableView& table, CGFloat dy);
    // Drags until the row is on the glass; false for a row that does not exist.
    static bool scrollToRow(UITableView& table, const IndexPath& indexPath);

    // The alert showing on the window (on top of its root's presentations), if any.
    static std::shared_ptr<UIAlertController> visibleAlert(const std::shared_ptr<UIWindow>& window);
    // Presses the button of the showing alert with that title.
    static bool pressAlertAction(const std::shared_ptr<UIWindow>& window, const std::string& title);

    // Taps an enabled bar button item: its action runs.
    static bool tapBarButtonItem(const std::shared_ptr<UIBarButtonItem>& item);
    // Taps the back control of the navigation bar.
    static bool tapBackButton(UINavigationController& navigation);

    // What is on the glass of the window, as GlassRenderer writes it.
    static std::string glass(const std::shared_ptr<UIWindow>& window);
};

// What is on the glass of the window, as GlassRenderer writes it.
inline std::string glass(const std::shared_ptr<UIWindow>& window) {
    return ScreenTesting::glass(window);
}
