#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/CGAffineTransform.h"
#include "UIKit/CGRect.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIEdgeInsets.h"
#include "UIKit/UIResponder.h"

class CALayer;
class NSLayoutConstraint;
class UIGestureRecognizer;
class UIWindow;

// Options of UIView::animate; only recorded, never interpreted.
enum UIViewAnimationOptions : unsigned {
    UIViewAnimationOptionNone = 0,
    UIViewAnimationOptionLayoutSubviews = 1u << 0,
    UIViewAnimationOptionAllowUserInteraction = 1u << 1,
    UIViewAnimationOptionBeginFromCurrentState = 1u << 2,
    UIViewAnimationOptionRepeat = 1u << 3,
    UIViewAnimationOptionAutoreverse = 1u << 4,
    UIViewAnimationOptionOverrideInheritedDuration = 1u << 5,
    UIViewAnimationOptionOverrideInheritedCurve = 1u << 6,
    UIViewAnimationOptionAllowAnimatedContent = 1u << 7,
    UIViewAnimationOptionShowHideTransitionViews = 1u << 8,
    UIViewAnimationOptionOverrideInheritedOptions = 1u << 9,
    UIViewAnimationOptionCurveEaseInOut = 0u << 16,
    UIViewAnimationOptionCurveEaseIn = 1u << 16,
    UIViewAnimationOptionCurveEaseOut = 2u << 16,
    UIViewAnimationOptionCurveLinear = 3u << 16,
};

// How a view follows its superview's size changes (flexible width and height are applied).
enum UIViewAutoresizing : unsigned {
    UIViewAutoresizingNone = 0,
    UIViewAutoresizingFlexibleLeftMargin = 1u << 0,
    UIViewAutoresizingFlexibleWidth = 1u << 1,
    UIViewAutoresizingFlexibleRightMargin = 1u << 2,
    UIViewAutoresizingFlexibleTopMargin = 1u << 3,
    UIViewAutoresizingFlexibleHeight = 1u << 4,
    UIViewAutoresizingFlexibleBottomMargin = 1u << 5,
};

// A headless view: a rectangle in a tree of views, with the appearance the glass shows.
//
// Creation: views are reference types; create every view (and subclass) with
// `UIView::make<T>(args...)`, which is std::make_shared<T>(args...): a view must be owned by a
// std::shared_ptr before it joins a hierarchy. A superview owns its subviews; the superview and
// window back-pointers are weak.
//
// Geometry follows the platform: a view stores center, bounds and transform; frame is derived
// (the bounding box of the transformed bounds). Changing a view that is in a window from a thread
// other than the main thread stops the program (the main-thread checker).
class UIView : public UIResponder {
public:
    template <class T = UIView, class... Args>
    static std::shared_ptr<T> make(Args&&... args) {
        return std::make_shared<T>(std::forward<Args>(args)...);
    }

    UIView();
    explicit UIView(CGRect frame);
    ~UIView() override;

    std::shared_ptr<UIView> sharedView() { return std::static_pointer_cast<UIView>(shared_from_this()); }
    template <class T>
    std::shared_ptr<T> sharedAs() {
        return std::dynamic_pointer_cast<T>(shared_from_this());
    }
    // The view whose notificationObject() is `object`, while it lives: how observers of the text
    // notifications get back from a notification's object to the view.
    static std::shared_ptr<UIView> viewForNotificationObject(const void* object);
    // The class name for messages and the glass ("UIView", "UIButton", ...).
    std::string className() const;

    // ----- Hierarchy
    const std::vector<std::shared_ptr<UIView>>& subviews() const { return subviews_; }
    std::shared_ptr<UIView> superview() const { return superview_.lock(); }
    // The window this view is in (the window itself for a window), or null.
    std::shared_ptr<UIWindow> window() const;
    // Adds on top; a view that already has a superview leaves it first.
    void addSubview(const std::shared_ptr<UIView>& view);
    // Index past the end appends.
    void insertSubview(const std::shared_ptr<UIView>& view, std::size_t index);
    void insertSubviewBelow(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIView>& sibling);
    void insertSubviewAbove(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIView>& sibling);
    void removeFromSuperview();
    void bringSubviewToFront(const std::shared_ptr<UIView>& view);
    void sendSubviewToBack(const std::shared_ptr<UIView>& view);
    // True for the view itself too.
    bool isDescendantOf(const UIView* ancestor) const;
    // Depth-first, this view first.
    std::shared_ptr<UIView> viewWithTag(std::int64_t tag);
    std::int64_t tag() const { return tag_; }
    void setTag(std::int64_t tag) { tag_ = tag; }

    // Hooks for subclasses, called around every move (the window ones only when the window
    // changes, on the whole moved subtree).
    virtual void willMoveToSuperview(UIView* /*newSuperview*/) {}
    virtual void didMoveToSuperview() {}
    virtual void willMoveToWindow(UIWindow* /*newWindow*/) {}
    virtual void didMoveToWindow() {}
    virtual void didAddSubview(UIView* /*subview*/) {}
    virtual void willRemoveSubview(UIView* /*subview*/) {}

    // ----- Geometry
    CGRect frame() const;
    void setFrame(CGRect frame);
    CGRect bounds() const { return bounds_; }
    void setBounds(CGRect bounds);
    CGPoint center() const { return center_; }
    void setCenter(CGPoint center);
    CGAffineTransform transform() const { return transform_; }
    void setTransform(const CGAffineTransform& transform);
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    // The size that fits the view's content; a plain view answers its current size.
    virtual CGSize sizeThatFits(CGSize size) const;
    void sizeToFit();
    static constexpr CGFloat noIntrinsicMetric = -1;
    // The size the content wants by itself; a plain view has none (noIntrinsicMetric both ways).
    virtual CGSize intrinsicContentSize() const { return {noIntrinsicMetric, noIntrinsicMetric}; }
    static constexpr CGSize layoutFittingCompressedSize{0, 0};
    // The size the view's layout needs at the target width; a plain view answers sizeThatFits.
    // May lay the view's subviews out to measure them.
    virtual CGSize systemLayoutSizeFitting(CGSize targetSize) { return sizeThatFits(targetSize); }
    // Space kept clear inside the edges when the view is measured by its content. Zero unless set:
    // layout here is by frames, so nothing implies the platform's default margins.
    UIEdgeInsets layoutMargins() const { return layoutMargins_; }
    void setLayoutMargins(UIEdgeInsets margins) { layoutMargins_ = margins; }

    CGPoint convertPointTo(CGPoint point, const UIView* view) const;    // null: the window
    CGPoint convertPointFrom(CGPoint point, const UIView* view) const;  // null: the window
    CGRect convertRectTo(CGRect rect, const UIView* view) const;
    CGRect convertRectFrom(CGRect rect, const UIView* view) const;

    // ----- Appearance
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    CGFloat alpha() const { return alpha_; }
    void setAlpha(CGFloat alpha);
    std::optional<UIColor> backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<UIColor> color);
    // The tint in effect: this view's own, else the nearest ancestor's, else the system blue.
    UIColor tintColor() const;
    // Null goes back to inheriting.
    void setTintColor(std::optional<UIColor> color);
    bool hasOwnTintColor() const { return tintColor_.has_value(); }
    // Called on the view and its inheriting descendants when the tint in effect may have changed.
    virtual void tintColorDidChange() {}
    bool clipsToBounds() const;
    void setClipsToBounds(bool clips);
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    const std::shared_ptr<CALayer>& layer() const { return layer_; }

    // ----- Layout: frames, plus the constraints attached to this view's edges.
    void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    // Lays out this view and its subtree where marked: constraints of subviews applied, then
    // layoutSubviews.
    void layoutIfNeeded();
    virtual void layoutSubviews() {}
    // Active constraints whose first item is this view (the view keeps them alive).
    const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints() const { return constraints_; }

    // ----- What a layout check accepts
    // Kinds of layout problem (UIKitTesting's layout check reports them).
    enum LayoutProblemKind : unsigned {
        textDoesNotFit = 1u << 0,
        outsideWindow = 1u << 1,
        coversControl = 1u << 2,
        textsOverlap = 1u << 3,
        lowContrast = 1u << 4,
    };
    // Accepts problems of these kinds in this view and its subviews because the design asks for
    // them (a panel parked above the window, a clear button that catches taps over the screen);
    // the reason is shown with what is accepted.
    void allowLayoutProblems(unsigned kinds, std::string reason);
    unsigned allowedLayoutProblems() const { return allowedLayoutProblems_; }
    const std::string& allowedLayoutProblemsReason() const { return allowedLayoutReason_; }

    // ----- Touches
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled);
    // The deepest visible, interactive view containing the point (in this view's coordinates),
    // front-most subviews first; null when none.
    virtual std::shared_ptr<UIView> hitTest(CGPoint point, const std::shared_ptr<UIEvent>& event);
    virtual bool pointInside(CGPoint point, const std::shared_ptr<UIEvent>& event) const;
    void addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer);
    void removeGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer);
    const std::vector<std::shared_ptr<UIGestureRecognizer>>& gestureRecognizers() const {
        return gestureRecognizers_;
    }
    // Asked before a recognizer not attached to this view begins on a touch in this view.
    virtual bool gestureRecognizerShouldBegin(const UIGestureRecognizer& /*recognizer*/) const {
        return true;
    }

    // ----- Responders: the first responder is kept by the view's window.
    std::shared_ptr<UIResponder> nextResponder() const override;
    // The responder after this view in the chain instead of its superview (a view controller
    // sets itself on its view).
    void setNextResponderOverride(std::weak_ptr<UIResponder> responder) { nextOverride_ = std::move(responder); }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool isFirstResponder() const override;
    // Resigns the first responder if it is this view or below it. With force the view's
    // refusal is overridden. True when no responder below holds the focus afterwards.
    bool endEditing(bool force);
    // True for a view the keyboard types into while it is first responder: the window shows the
    // keyboard for it.
    virtual bool takesKeyboardInput() const { return false; }
    // Tells the window the keyboard of this first responder may have changed (its accessory view).
    void reloadInputViews() override;

    // ----- Change signal for a front that shows the glass
    // Goes up whenever something that may change what a window shows is changed on a view in a
    // window (geometry, appearance, texts, the tree, the keyboard). A front redraws only when it
    // moved; it never goes down. Main thread only.
    static std::uint64_t glassGeneration();
    static void glassChanged();
    // Changes with each change to how this view itself looks while in a window, and differs
    // between views: a front that keeps its last frame redraws the views whose stamp moved.
    std::uint64_t glassStamp() const { return glassStamp_; }

    // ----- Animations: values are applied at once; see UIViewAnimationRecord.
    static void animate(double duration, std::function<void()> animations,
                        std::function<void(bool)> completion = nullptr);
    static void animate(double duration, double delay, unsigned options,
                        std::function<void()> animations, std::function<void(bool)> completion);
    static void animate(double duration, double delay, CGFloat springDamping,
                        CGFloat initialSpringVelocity, unsigned options,
                        std::function<void()> animations, std::function<void(bool)> completion);
    static void setAnimationsEnabled(bool enabled);
    static bool areAnimationsEnabled();
    static void performWithoutAnimation(const std::function<void()>& actions);

protected:
    // Hooks for subclasses whose first-responder status means editing.
    virtual bool shouldBecomeFirstResponder() { return true; }
    virtual void didBecomeFirstResponder() {}
    virtual void didResignFirstResponder() {}
    // This view's identity as a notification's object (its most-derived address, which is what
    // a caller holding any shared_ptr to it passes as a sender); registers it for the lookup.
    const void* notificationObject();
    // Stops the program when this view is in a window and the caller is not on the main thread.
    void checkMainThread(const char* operation) const;
    void noteGlassChange(const char* operation) const;

private:
    friend class CALayer;
    friend class NSLayoutConstraint;
    friend class UIWindow;
    void attach(const std::shared_ptr<UIView>& view, std::size_t index);
    void moveSubtreeToWindow(const std::weak_ptr<UIWindow>& window, UIWindow* raw);
    void subtreeTintChanged();
    void layoutSubtree();
    void applyConstraintsOfSubviews();
    void boundsSizeChanged(CGSize oldSize);
    CGPoint toSuperview(CGPoint point) const;
    CGPoint fromSuperview(CGPoint point) const;
    // Up to the root, whose own placement is applied only when `throughRoot`.
    CGPoint toRoot(CGPoint point, bool throughRoot, const UIView** root) const;
    CGPoint fromRoot(CGPoint point, bool throughRoot) const;
    const UIView* root() const;

    std::vector<std::shared_ptr<UIView>> subviews_;
    std::weak_ptr<UIView> superview_;
    std::weak_ptr<UIWindow> window_;
    std::weak_ptr<UIResponder> nextOverride_;
    std::shared_ptr<CALayer> layer_;
    std::vector<std::shared_ptr<UIGestureRecognizer>> gestureRecognizers_;
    std::vector<std::shared_ptr<NSLayoutConstraint>> constraints_;
    CGPoint center_;
    CGRect bounds_;
    CGAffineTransform transform_;
    UIEdgeInsets layoutMargins_;
    std::optional<UIColor> backgroundColor_;
    std::optional<UIColor> tintColor_;
    CGFloat alpha_ = 1;
    std::int64_t tag_ = 0;
    unsigned autoresizingMask_ = UIViewAutoresizingNone;
    unsigned allowedLayoutProblems_ = 0;
    std::string allowedLayoutReason_;
    bool hidden_ = false;
    bool opaque_ = true;
    bool needsLayout_ = true;
    bool isWindow_ = false;
    mutable std::uint64_t glassStamp_ = 0;

protected:
    bool userInteractionEnabled_ = true;  // subclasses (labels, image views) start without it
};
