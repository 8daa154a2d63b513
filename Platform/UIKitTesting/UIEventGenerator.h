#pragma once

#include <memory>
#include <string>

#include "UIKit/CGRect.h"
#include "UIKit/IndexPath.h"

class UIBarButtonItem;
class UINavigationController;
class UISegmentedControl;
class UITableView;
class UITextField;
class UITextView;
class UIView;
class UIWindow;

// Acts as a user would, one verb per gesture, synchronously: every handler a gesture reaches has
// run when a call returns; only work the code itself queued waits for the main run loop. A gesture
// that answers a bool answers false when a person could not have made it (a row not on the glass,
// a disabled item, an alert that is not showing), and then nothing happened. Main thread only.
// What is on the glass is read through GlassReader.
class UIEventGenerator {
public:
    // Taps a point of the window: hit testing, then the gesture recognizers of the touched view
    // and its ancestors, then (unless a recognizer cancels touches) the touched view itself.
    static void tapAt(const std::shared_ptr<UIWindow>& window, CGPoint point);
    // Taps the centre of the view through its window. False, with nothing tapped, when the view
    // is not in a window or the point belongs to another view (hidden, covered, non-interactive).
    static bool tap(const std::shared_ptr<UIView>& view);
    // A bar button item has no view here: its action is sent as a tap would send it. False for
    // a disabled item or a space.
    static bool tap(const std::shared_ptr<UIBarButtonItem>& item);
    // Taps the segment's centre; false when it could not be tapped.
    static bool selectSegment(const std::shared_ptr<UISegmentedControl>& control, int index);
    // Taps the back control of the navigation bar.
    static bool tapBackButton(const std::shared_ptr<UINavigationController>& navigation);
    // Presses the button with that title of the alert showing on the window.
    static bool pressAlertAction(const std::shared_ptr<UIWindow>& window, const std::string& title);

    // Taps a row that has a cell on the glass: it is selected and the delegate hears did-select.
    static bool selectRow(const std::shared_ptr<UITableView>& table, const IndexPath& indexPath);
    // Drags the content by `dy` points (positive: towards the end); a drag stops at the content's
    // ends. The delegate hears did-scroll while the table answers isDragging. Answers the new offset.
    static CGFloat scroll(const std::shared_ptr<UITableView>& table, CGFloat dy);
    // Drags until the row is on the glass; false for a row that does not exist.
    static bool scrollToRow(const std::shared_ptr<UITableView>& table, const IndexPath& indexPath);

    // Gives the input the focus as a tap would (should-begin may refuse); true when it has it.
    static bool beginEditing(const std::shared_ptr<UIView>& input);
    // Asks the input to give up the focus (should-end may refuse); true when it no longer has it.
    static bool endEditing(const std::shared_ptr<UIView>& input);

    // Focuses the input if needed, then types the text one character (code point) at a time at
    // its end. Returns how many characters the delegate let through; 0 when the focus was refused.
    static std::size_t type(const std::shared_ptr<UITextField>& field, const std::string& text);
    static std::size_t type(const std::shared_ptr<UITextView>& view, const std::string& text);
    // Presses delete `count` times; returns how many characters went.
    static std::size_t deleteBackward(const std::shared_ptr<UITextField>& field, std::size_t count = 1);
    static std::size_t deleteBackward(const std::shared_ptr<UITextView>& view, std::size_t count = 1);
    // The return key: should-return and editing-did-end-on-exit on a field; a line break in a
    // text view. False when the delegate refused.
    static bool pressReturn(const std::shared_ptr<UITextField>& field);
    static bool pressReturn(const std::shared_ptr<UITextView>& view);

    // The keyboard sliding up to a height over the bottom of the window, and away, whatever has
    // the focus: the keyboard's notifications as UIKeyboard posts them, frames in window
    // coordinates. (Focusing a text input shows the keyboard by itself; this is for other frames.)
    static void showKeyboard(const std::shared_ptr<UIWindow>& window, CGFloat height = 216);
    static void hideKeyboard(const std::shared_ptr<UIWindow>& window, CGFloat height = 216);

    // Runs what the main queue holds that is due now.
    static std::size_t drainMainQueue();
};
