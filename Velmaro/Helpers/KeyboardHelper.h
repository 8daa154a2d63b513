#pragma once

#include <memory>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIGestureRecognizerDelegate.h"

class UITapGestureRecognizer;
class UIView;

namespace velmaro {

// The keyboard toolbar manager offered to hosts; no screen of the layer switches it on. While
// `enable` is set, every text field or text view that begins editing gets a toolbar above the
// keyboard (Done, and previous/next arrows when the input has neighbours in its form), and a tap
// elsewhere in its window ends the editing. The one instance exists, and observes the editing
// notifications, from the first call of shared() on. Main thread only.
class KeyboardHelper final : public UIGestureRecognizerDelegate, public std::enable_shared_from_this<KeyboardHelper> {
public:
    static const std::shared_ptr<KeyboardHelper>& shared();

    // Off: inputs beginning to edit are left alone. The end of editing is handled either way.
    bool enable = false;

    // Observers of the toolkit's begin- and end-editing notifications (text fields and views).
    void textTypeViewEditingBegan(const Notification& notification);
    void textTypeViewEditingEnded(const Notification& notification);

    // The toolbar's buttons: move the focus to the input before or after the current one, or end
    // the editing; each then sends what the input stores for that button (see Invocation) through
    // the application, with the input as sender.
    void previousAction(const std::shared_ptr<UIBarButtonItem>& sender);
    void nextAction(const std::shared_ptr<UIBarButtonItem>& sender);
    void doneAction(const std::shared_ptr<UIBarButtonItem>& sender);

    // Ends the current input's editing; an input that refuses takes the keyboard back. False then,
    // and when nothing is being edited.
    bool resignFirstResponder();
    void tapRecognized(const std::shared_ptr<UIGestureRecognizer>& gesture);

    // Controls and navigation bars keep their touches to themselves.
    bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer& recognizer, const UITouch& touch) override;
    bool gestureRecognizerShouldRecognizeSimultaneously(UIGestureRecognizer& recognizer,
                                                        UIGestureRecognizer& other) override;

    ~KeyboardHelper() override;
    KeyboardHelper(const KeyboardHelper&) = delete;
    KeyboardHelper& operator=(const KeyboardHelper&) = delete;

    std::shared_ptr<UIView> textTypeViewForTesting() const { return textTypeView_.lock(); }
    const std::shared_ptr<UITapGestureRecognizer>& dismissOnTapGestureForTesting() const { return dismissOnTapGesture_; }
    // Tests reset the notification centre between tests, and with it the helper's registrations:
    // this drops the instance so that the next shared() makes and registers a fresh one.
    static void resetSharedForTesting();

private:
    enum class SelectorAndTargetType { previous, next, done };

    KeyboardHelper() = default;
    void startObserving();
    // The inputs the toolbar moves between for the current input: those of its enclosing table,
    // else its siblings.
    std::vector<std::shared_ptr<UIView>> responderViews() const;
    void addToolbar();
    void moveFocus(int direction, SelectorAndTargetType kind);
    bool focusOnOtherTextField(const std::shared_ptr<UIView>& origin, const std::vector<std::shared_ptr<UIView>>& inputs,
                               int direction);
    static void sendStoredAction(const std::shared_ptr<UIView>& input, SelectorAndTargetType kind);

    std::weak_ptr<UIView> textTypeView_;
    std::shared_ptr<UITapGestureRecognizer> dismissOnTapGesture_;
    std::vector<NotificationCenter::ObserverToken> observers_;
};

}  // namespace velmaro
