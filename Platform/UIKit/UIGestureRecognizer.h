#pragma once

#include <memory>
#include <vector>

#include "UIKit/CGPoint.h"
#include "UIKit/TargetAction.h"
#include "UIKit/UIGestureRecognizerDelegate.h"

class UITouch;
class UIView;

// The base of gesture recognizers. Attached to one view (held weakly; the view owns it), it sees
// touches of that view and its subviews before they are delivered. Target and delegate are weak.
class UIGestureRecognizer : public std::enable_shared_from_this<UIGestureRecognizer> {
public:
    enum class State { possible, began, changed, ended, cancelled, failed };
    static constexpr State recognized = State::ended;

    UIGestureRecognizer() = default;
    virtual ~UIGestureRecognizer() = default;
    UIGestureRecognizer(const UIGestureRecognizer&) = delete;
    UIGestureRecognizer& operator=(const UIGestureRecognizer&) = delete;

    template <class T, class Method>
    void addTarget(const std::shared_ptr<T>& target, Method action) {
        actions_.push_back(TargetAction<UIGestureRecognizer>::bind(target, action));
    }
    void addAction(TargetAction<UIGestureRecognizer>::Handler handler) {
        actions_.push_back(TargetAction<UIGestureRecognizer>::closure(std::move(handler)));
    }
    // Removes every action of the target.
    void removeTarget(const void* target);

    std::shared_ptr<UIView> view() const { return view_.lock(); }
    State state() const { return state_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
    void setCancelsTouchesInView(bool cancels) { cancelsTouchesInView_ = cancels; }
    std::shared_ptr<UIGestureRecognizerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<UIGestureRecognizerDelegate> delegate) { delegate_ = std::move(delegate); }
    // Where the last touch seen was, in the view's coordinates (the window's for null).
    CGPoint locationInView(const UIView* view) const;

    // Whether this recognizer recognises a single tap of one finger.
    virtual bool recognizesSingleTap() const { return false; }

private:
    friend class UIView;
    friend class UIWindow;
    void setState(State state) { state_ = state; }
    void sendActions();

    std::weak_ptr<UIView> view_;
    std::weak_ptr<UIGestureRecognizerDelegate> delegate_;
    std::vector<TargetAction<UIGestureRecognizer>> actions_;
    std::shared_ptr<UITouch> lastTouch_;
    State state_ = State::possible;
    bool enabled_ = true;
    bool cancelsTouchesInView_ = true;
};
