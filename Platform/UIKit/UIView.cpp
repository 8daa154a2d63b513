#include "UIKit/UIView.h"

#include <cxxabi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <unordered_map>
#include <cstdlib>
#include <string_view>
#include <typeinfo>

#include "Dispatch/DispatchQueue.h"
#include "Dispatch/RunLoop.h"
#include "UIKit/CALayer.h"
#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/UIGestureRecognizer.h"
#include "UIKit/UIViewAnimationLog.h"
#include "UIKit/UIWindow.h"

namespace {

constexpr UIColor systemBlue{0.0, 122.0 / 255.0, 1.0, 1.0};

// Views may be made on any thread; stamps stay unique.
std::uint64_t nextGlassStamp() {
    static std::atomic<std::uint64_t> stamps{0};
    return ++stamps;
}

bool& animationsEnabledFlag() {
    static bool enabled = true;
    return enabled;
}

}  // namespace

UIView::UIView() : UIView(CGRect{}) {}

UIView::UIView(CGRect frame) : layer_(std::make_shared<CALayer>()) {
    glassStamp_ = nextGlassStamp();
    center_ = frame.center();
    bounds_ = CGRect{0, 0, frame.size.width, frame.size.height};
    layer_->view_ = this;
}

UIView::~UIView() {
    layer_->view_ = nullptr;
    for (auto& subview : subviews_) subview->superview_.reset();
}

std::string UIView::className() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    return name;
}

namespace {
std::uint64_t glassGenerationCounter = 0;
}  // namespace

std::uint64_t UIView::glassGeneration() { return glassGenerationCounter; }

void UIView::glassChanged() { ++glassGenerationCounter; }

namespace {

// Operations that change no pixel of the view itself.
bool changesLooks(std::string_view operation) {
    return operation != "layoutIfNeeded" && operation != "setUserInteractionEnabled" &&
           operation != "addGestureRecognizer" && operation != "removeGestureRecognizer";
}

}  // namespace

void UIView::noteGlassChange(const char* operation) const {
    glassChanged();
    if (changesLooks(operation)) glassStamp_ = nextGlassStamp();
}

// Every change to a view in a window passes here first, which makes it the one place to note
// that the glass may look different.
void UIView::checkMainThread(const char* operation) const {
    if (!isWindow_ && window_.expired()) return;
    if (RunLoop::isMainThread()) {
        noteGlassChange(operation);
        return;
    }
    // Before any main run loop exists, the first thread to use the toolkit becomes the main one.
    RunLoop::main();
    if (RunLoop::isMainThread()) {
        noteGlassChange(operation);
        return;
    }
    std::fprintf(stderr,
                 "Main thread checker: %s.%s called on a background thread for a view in a "
                 "window; the toolkit may only be used from the main thread\n",
                 className().c_str(), operation);
    std::fflush(stderr);
    std::abort();
}

// Views that have posted a notification, by identity. Main thread only, like the posting.
static std::unordered_map<const void*, std::weak_ptr<UIView>>& notificationObjects() {
    static std::unordered_map<const void*, std::weak_ptr<UIView>> objects;
    return objects;
}

const void* UIView::notificationObject() {
    const void* identity = dynamic_cast<const void*>(this);
    auto& objects = notificationObjects();
    if (objects.size() > 64) std::erase_if(objects, [](const auto& entry) { return entry.second.expired(); });
    objects[identity] = sharedView();
    return identity;
}

std::shared_ptr<UIView> UIView::viewForNotificationObject(const void* object) {
    auto& objects = notificationObjects();
    auto it = objects.find(object);
    return it == objects.end() ? nullptr : it->second.lock();
}

// ----- Hierarchy

std::shared_ptr<UIWindow> UIView::window() const {
    if (isWindow_) {
        return std::static_pointer_cast<UIWindow>(
            std::const_pointer_cast<UIResponder>(shared_from_this()));
    }
    return window_.lock();
}

void UIView::addSubview(const std::shared_ptr<UIView>& view) {
    attach(view, static_cast<std::size_t>(-1));
}

void UIView::insertSubview(const std::shared_ptr<UIView>& view, std::size_t index) {
    attach(view, index);
}

void UIView::insertSubviewBelow(const std::shared_ptr<UIView>& view,
                                const std::shared_ptr<UIView>& sibling) {
    auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
    if (it == subviews_.end()) return addSubview(view);
    std::size_t index = static_cast<std::size_t>(it - subviews_.begin());
    // Removing the view first shifts the sibling when the view sat below it.
    if (view->superview_.lock().get() == this) {
        auto own = std::find(subviews_.begin(), subviews_.end(), view);
        if (own < it) --index;
    }
    attach(view, index);
}

void UIView::insertSubviewAbove(const std::shared_ptr<UIView>& view,
                                const std::shared_ptr<UIView>& sibling) {
    auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
    if (it == subviews_.end()) return addSubview(view);
    std::size_t index = static_cast<std::size_t>(it - subviews_.begin()) + 1;
    if (view->superview_.lock().get() == this) {
        auto own = std::find(subviews_.begin(), subviews_.end(), view);
        if (own < it) --index;
    }
    attach(view, index);
}

void UIView::attach(const std::shared_ptr<UIView>& view, std::size_t index) {
    checkMainThread("addSubview");
    if (!view || view.get() == this || isDescendantOf(view.get())) return;
    auto keep = view;  // leaving the old superview must not destroy it
    auto oldSuperview = view->superview();
    if (oldSuperview.get() == this) {
        auto it = std::find(subviews_.begin(), subviews_.end(), view);
        subviews_.erase(it);
        index = std::min(index, subviews_.size());
        subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
        return;
    }
    view->willMoveToSuperview(this);
    if (oldSuperview) {
        oldSuperview->willRemoveSubview(view.get());
        auto& siblings = oldSuperview->subviews_;
        siblings.erase(std::find(siblings.begin(), siblings.end(), view));
    }
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
    view->superview_ = std::static_pointer_cast<UIView>(shared_from_this());
    auto newWindow = window();
    if (newWindow.get() != view->window_.lock().get()) {
        view->moveSubtreeToWindow(newWindow, newWindow.get());
    }
    if (!view->hasOwnTintColor()) view->subtreeTintChanged();
    view->didMoveToSuperview();
    didAddSubview(view.get());
    setNeedsLayout();
}

void UIView::removeFromSuperview() {
    auto superview = superview_.lock();
    if (!superview) return;
    checkMainThread("removeFromSuperview");
    auto keep = sharedView();
    willMoveToSuperview(nullptr);
    superview->willRemoveSubview(this);
    auto& siblings = superview->subviews_;
    siblings.erase(std::find(siblings.begin(), siblings.end(), keep));
    superview_.reset();
    if (!window_.expired()) moveSubtreeToWindow({}, nullptr);
    if (!hasOwnTintColor()) subtreeTintChanged();
    didMoveToSuperview();
    superview->setNeedsLayout();
}

void UIView::moveSubtreeToWindow(const std::weak_ptr<UIWindow>& window, UIWindow* raw) {
    std::vector<std::shared_ptr<UIView>> subtree;
    std::vector<UIView*> stack{this};
    while (!stack.empty()) {
        UIView* v = stack.back();
        stack.pop_back();
        subtree.push_back(v->sharedView());
        for (auto it = v->subviews_.rbegin(); it != v->subviews_.rend(); ++it) stack.push_back(it->get());
    }
    for (auto& v : subtree) v->willMoveToWindow(raw);
    std::vector<std::shared_ptr<UIView>> resigned;
    std::vector<std::shared_ptr<UIWindow>> lostFocus;
    for (auto& v : subtree) {
        auto old = v->window_.lock();
        if (old && old.get() != raw && old->firstResponder_.lock() == v) {
            old->firstResponder_.reset();
            resigned.push_back(v);
            lostFocus.push_back(old);
        }
        v->window_ = window;
    }
    for (auto& v : resigned) v->didResignFirstResponder();
    for (auto& w : lostFocus) w->updateKeyboard();
    for (auto& v : subtree) v->didMoveToWindow();
}

void UIView::bringSubviewToFront(const std::shared_ptr<UIView>& view) {
    auto it = std::find(subviews_.begin(), subviews_.end(), view);
    if (it == subviews_.end()) return;
    checkMainThread("bringSubviewToFront");
    std::rotate(it, it + 1, subviews_.end());
}

void UIView::sendSubviewToBack(const std::shared_ptr<UIView>& view) {
    auto it = std::find(subviews_.begin(), subviews_.end(), view);
    if (it == subviews_.end()) return;
    checkMainThread("sendSubviewToBack");
    std::rotate(subviews_.begin(), it, it + 1);
}

bool UIView::isDescendantOf(const UIView* ancestor) const {
    if (!ancestor) return false;
    for (const UIView* v = this; v; ) {
        if (v == ancestor) return true;
        auto parent = v->superview_.lock();
        v = parent.get();
    }
    return false;
}

std::shared_ptr<UIView> UIView::viewWithTag(std::int64_t tag) {
    if (tag_ == tag) return sharedView();
    for (auto& subview : subviews_) {
        if (auto found = subview->viewWithTag(tag)) return found;
    }
    return nullptr;
}

const UIView* UIView::root() const {
    const UIView* v = this;
    while (auto parent = v->superview_.lock()) v = parent.get();
    return v;
}

// ----- Geometry

CGRect UIView::frame() const {
    CGRect local{-bounds_.size.width / 2, -bounds_.size.height / 2, bounds_.size.width,
                 bounds_.size.height};
    return transform_.apply(local).offsetBy(center_.x, center_.y);
}

void UIView::setFrame(CGRect frame) {
    checkMainThread("setFrame");
    CGSize size = frame.size;
    // With a scale in force the frame is the scaled box; keep the bounds unscaled.
    if (!transform_.isIdentity() && transform_.b == 0 && transform_.c == 0 && transform_.a != 0 &&
        transform_.d != 0) {
        size = {size.width / std::abs(transform_.a), size.height / std::abs(transform_.d)};
    }
    center_ = frame.center();
    CGSize old = bounds_.size;
    bounds_.size = size;
    if (!(old == size)) boundsSizeChanged(old);
}

void UIView::setBounds(CGRect bounds) {
    checkMainThread("setBounds");
    CGSize old = bounds_.size;
    bounds_ = bounds;
    if (!(old == bounds.size)) boundsSizeChanged(old);
}

void UIView::setCenter(CGPoint center) {
    checkMainThread("setCenter");
    center_ = center;
}

void UIView::setTransform(const CGAffineTransform& transform) {
    checkMainThread("setTransform");
    transform_ = transform;
}

void UIView::boundsSizeChanged(CGSize oldSize) {
    needsLayout_ = true;
    CGFloat dw = bounds_.size.width - oldSize.width;
    CGFloat dh = bounds_.size.height - oldSize.height;
    // Each axis shares the change among its flexible parts: leading margin, size, trailing margin.
    auto share = [](bool leading, bool size, bool trailing, CGFloat delta, CGFloat& move, CGFloat& grow) {
        const int parts = int(leading) + int(size) + int(trailing);
        move = grow = 0;
        if (parts == 0) return;
        const CGFloat each = delta / parts;
        if (leading) move += each;
        if (size) grow += each;
    };
    for (auto& subview : subviews_) {
        unsigned mask = subview->autoresizingMask_;
        if (mask == UIViewAutoresizingNone) continue;
        CGFloat moveX, growW, moveY, growH;
        share(mask & UIViewAutoresizingFlexibleLeftMargin, mask & UIViewAutoresizingFlexibleWidth,
              mask & UIViewAutoresizingFlexibleRightMargin, dw, moveX, growW);
        share(mask & UIViewAutoresizingFlexibleTopMargin, mask & UIViewAutoresizingFlexibleHeight,
              mask & UIViewAutoresizingFlexibleBottomMargin, dh, moveY, growH);
        if (moveX == 0 && growW == 0 && moveY == 0 && growH == 0) continue;
        CGRect b = subview->bounds_;
        CGPoint c = subview->center_;
        b.size.width += growW;
        b.size.height += growH;
        c.x += moveX + growW / 2;
        c.y += moveY + growH / 2;
        subview->setCenter(c);
        subview->setBounds(b);
    }
}

void UIView::allowLayoutProblems(unsigned kinds, std::string reason) {
    allowedLayoutProblems_ |= kinds;
    allowedLayoutReason_ = std::move(reason);
}

CGSize UIView::sizeThatFits(CGSize) const { return bounds_.size; }

void UIView::sizeToFit() {
    CGSize size = sizeThatFits(bounds_.size);
    CGRect f = frame();
    setFrame({f.origin, size});
}

CGPoint UIView::toSuperview(CGPoint p) const {
    CGPoint v{p.x - (bounds_.origin.x + bounds_.size.width / 2),
              p.y - (bounds_.origin.y + bounds_.size.height / 2)};
    CGPoint t = transform_.apply(v);
    return {center_.x + t.x, center_.y + t.y};
}

CGPoint UIView::fromSuperview(CGPoint p) const {
    CGPoint v = transform_.inverted().apply(CGPoint{p.x - center_.x, p.y - center_.y});
    return {v.x + bounds_.origin.x + bounds_.size.width / 2,
            v.y + bounds_.origin.y + bounds_.size.height / 2};
}

CGPoint UIView::toRoot(CGPoint p, bool throughRoot, const UIView** rootOut) const {
    const UIView* v = this;
    std::shared_ptr<UIView> hold;
    while (true) {
        auto parent = v->superview_.lock();
        if (!parent) break;
        p = v->toSuperview(p);
        hold = parent;
        v = parent.get();
    }
    if (throughRoot) p = v->toSuperview(p);
    if (rootOut) *rootOut = v;
    return p;
}

CGPoint UIView::fromRoot(CGPoint p, bool throughRoot) const {
    std::vector<const UIView*> chain;
    std::vector<std::shared_ptr<UIView>> hold;
    for (const UIView* v = this;;) {
        chain.push_back(v);
        auto parent = v->superview_.lock();
        if (!parent) break;
        hold.push_back(parent);
        v = parent.get();
    }
    // chain.back() is the root.
    if (throughRoot) p = chain.back()->fromSuperview(p);
    for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it) p = (*it)->fromSuperview(p);
    return p;
}

CGPoint UIView::convertPointTo(CGPoint point, const UIView* view) const {
    if (view == this) return point;
    if (!view) return toRoot(point, false, nullptr);
    bool sameRoot = root() == view->root();
    return view->fromRoot(toRoot(point, !sameRoot, nullptr), !sameRoot);
}

CGPoint UIView::convertPointFrom(CGPoint point, const UIView* view) const {
    if (view == this) return point;
    if (!view) return fromRoot(point, false);
    return view->convertPointTo(point, this);
}

CGRect UIView::convertRectTo(CGRect rect, const UIView* view) const {
    return boundingRectOfConvertedCorners(rect, [&](CGPoint p) { return convertPointTo(p, view); });
}

CGRect UIView::convertRectFrom(CGRect rect, const UIView* view) const {
    return boundingRectOfConvertedCorners(rect, [&](CGPoint p) { return convertPointFrom(p, view); });
}

// ----- Appearance

void UIView::setHidden(bool hidden) {
    checkMainThread("setHidden");
    hidden_ = hidden;
}

void UIView::setAlpha(CGFloat alpha) {
    checkMainThread("setAlpha");
    alpha_ = std::clamp(alpha, 0.0, 1.0);
}

void UIView::setBackgroundColor(std::optional<UIColor> color) {
    checkMainThread("setBackgroundColor");
    backgroundColor_ = color;
}

UIColor UIView::tintColor() const {
    if (tintColor_) return *tintColor_;
    if (auto parent = superview_.lock()) return parent->tintColor();
    return systemBlue;
}

void UIView::setTintColor(std::optional<UIColor> color) {
    checkMainThread("setTintColor");
    tintColor_ = color;
    subtreeTintChanged();
}

void UIView::subtreeTintChanged() {
    tintColorDidChange();
    for (auto& subview : std::vector(subviews_)) {
        if (!subview->hasOwnTintColor()) subview->subtreeTintChanged();
    }
}

bool UIView::clipsToBounds() const { return layer_->masksToBounds(); }

void UIView::setClipsToBounds(bool clips) { layer_->setMasksToBounds(clips); }

// ----- Layout

void UIView::setNeedsLayout() { needsLayout_ = true; }

void UIView::layoutIfNeeded() {
    checkMainThread("layoutIfNeeded");
    auto keep = sharedView();
    layoutSubtree();
}

void UIView::layoutSubtree() {
    if (needsLayout_) {
        needsLayout_ = false;
        applyConstraintsOfSubviews();
        layoutSubviews();
    }
    for (auto& subview : std::vector(subviews_)) subview->layoutSubtree();
}

void UIView::applyConstraintsOfSubviews() {
    for (auto& subview : std::vector(subviews_)) {
        for (auto& constraint : std::vector(subview->constraints_)) constraint->apply();
    }
}

// ----- Touches

void UIView::setUserInteractionEnabled(bool enabled) {
    checkMainThread("setUserInteractionEnabled");
    userInteractionEnabled_ = enabled;
}

std::shared_ptr<UIView> UIView::hitTest(CGPoint point, const std::shared_ptr<UIEvent>& event) {
    if (hidden_ || !userInteractionEnabled_ || alpha_ < 0.01) return nullptr;
    if (!pointInside(point, event)) return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        auto subview = *it;
        // A view scaled to nothing covers no point.
        if (!subview->transform_.isInvertible()) continue;
        if (auto hit = subview->hitTest(subview->fromSuperview(point), event)) return hit;
    }
    return sharedView();
}

bool UIView::pointInside(CGPoint point, const std::shared_ptr<UIEvent>&) const {
    return bounds_.contains(point);
}

void UIView::addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer) {
    if (!recognizer) return;
    checkMainThread("addGestureRecognizer");
    if (auto old = recognizer->view(); old && old.get() != this) old->removeGestureRecognizer(recognizer);
    if (std::find(gestureRecognizers_.begin(), gestureRecognizers_.end(), recognizer) !=
        gestureRecognizers_.end())
        return;
    gestureRecognizers_.push_back(recognizer);
    recognizer->view_ = sharedView();
}

void UIView::removeGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer) {
    auto it = std::find(gestureRecognizers_.begin(), gestureRecognizers_.end(), recognizer);
    if (it == gestureRecognizers_.end()) return;
    checkMainThread("removeGestureRecognizer");
    recognizer->view_.reset();
    gestureRecognizers_.erase(it);
}

// ----- Responders

std::shared_ptr<UIResponder> UIView::nextResponder() const {
    if (auto next = nextOverride_.lock()) return next;
    return superview_.lock();
}

bool UIView::isFirstResponder() const {
    auto w = window();
    return w && w->firstResponder_.lock().get() == this;
}

bool UIView::becomeFirstResponder() {
    checkMainThread("becomeFirstResponder");
    auto self = sharedView();
    auto w = window();
    if (!w) return false;
    if (w->firstResponder_.lock() == self) return true;
    if (!canBecomeFirstResponder() || !shouldBecomeFirstResponder()) return false;
    bool became = false;
    {
        // Focus passing from input to input moves the keyboard; it does not hide in between.
        UIWindow::KeyboardDeferral handOff(*w);
        became = [&] {
            if (auto current = w->firstResponder_.lock()) {
                if (!current->resignFirstResponder()) return false;
            }
            // Handlers of the old responder may have moved this view or taken the focus.
            if (window() != w || w->firstResponder_.lock()) return false;
            w->firstResponder_ = self;
            didBecomeFirstResponder();
            return true;
        }();
    }
    w->updateKeyboard();
    return became;
}

bool UIView::resignFirstResponder() {
    auto w = window();
    if (!w || w->firstResponder_.lock().get() != this) return true;
    checkMainThread("resignFirstResponder");
    auto self = sharedView();
    if (!canResignFirstResponder()) return false;
    w->firstResponder_.reset();
    didResignFirstResponder();
    w->updateKeyboard();
    return true;
}

void UIView::reloadInputViews() {
    if (auto w = window(); w && w->firstResponder_.lock().get() == this) w->updateKeyboard();
}

bool UIView::endEditing(bool force) {
    auto w = window();
    if (!w) return true;
    auto responder = w->firstResponder_.lock();
    if (!responder || !responder->isDescendantOf(this)) return true;
    if (responder->resignFirstResponder()) return true;
    if (!force) return false;
    if (w->firstResponder_.lock() == responder) {
        w->firstResponder_.reset();
        responder->didResignFirstResponder();
        w->updateKeyboard();
    }
    return true;
}

// ----- Animations

void UIView::animate(double duration, std::function<void()> animations,
                     std::function<void(bool)> completion) {
    animate(duration, 0, UIViewAnimationOptionNone, std::move(animations), std::move(completion));
}

namespace {
void runAnimation(UIViewAnimationRecord record, const std::function<void()>& animations,
                  std::function<void(bool)> completion) {
    record.hasCompletion = static_cast<bool>(completion);
    record.animationsEnabled = animationsEnabledFlag();
    UIViewAnimationLog::append(record);
    if (animations) animations();
    if (!completion) return;
    auto finish = [completion = std::move(completion)] { completion(true); };
    if (record.animationsEnabled) {
        DispatchQueue::main().asyncAfter(record.delay + record.duration, std::move(finish));
    } else {
        DispatchQueue::main().async(std::move(finish));
    }
}
}  // namespace

void UIView::animate(double duration, double delay, unsigned options,
                     std::function<void()> animations, std::function<void(bool)> completion) {
    UIViewAnimationRecord record;
    record.duration = duration;
    record.delay = delay;
    record.options = options;
    runAnimation(record, animations, std::move(completion));
}

void UIView::animate(double duration, double delay, CGFloat springDamping,
                     CGFloat initialSpringVelocity, unsigned options,
                     std::function<void()> animations, std::function<void(bool)> completion) {
    UIViewAnimationRecord record;
    record.duration = duration;
    record.delay = delay;
    record.options = options;
    record.springDamping = springDamping;
    record.springVelocity = initialSpringVelocity;
    runAnimation(record, animations, std::move(completion));
}

void UIView::setAnimationsEnabled(bool enabled) { animationsEnabledFlag() = enabled; }

bool UIView::areAnimationsEnabled() { return animationsEnabledFlag(); }

void UIView::performWithoutAnimation(const std::function<void()>& actions) {
    bool was = animationsEnabledFlag();
    animationsEnabledFlag() = false;
    if (actions) actions();
    animationsEnabledFlag() = was;
}
