#include <gtest/gtest.h>

#include <vector>

#include "UIKit/CALayer.h"
#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIView.h"
#include "UIKit/UIWindow.h"
#include "support/Platform/UIKitTest.h"

namespace {

// Records the move hooks in order.
class HookView : public UIView {
public:
    using UIView::UIView;
    std::vector<std::string> calls;
    int layouts = 0;
    void willMoveToWindow(UIWindow* w) override { calls.push_back(w ? "willWindow" : "willNoWindow"); }
    void didMoveToWindow() override { calls.push_back(window() ? "didWindow" : "didNoWindow"); }
    void didMoveToSuperview() override { calls.push_back(superview() ? "didSuper" : "didNoSuper"); }
    void layoutSubviews() override { ++layouts; }
};

}  // namespace

class UIViewTests : public UIKitTest {};

TEST_F(UIViewTests, SubviewsKeepOrderAndMoveBetweenSuperviews) {
    auto a = UIView::make(), b = UIView::make(), c = UIView::make();
    auto parent = UIView::make();
    parent->addSubview(a);
    parent->addSubview(b);
    parent->insertSubview(c, 0);
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<UIView>>{c, a, b}));
    parent->insertSubviewAbove(c, b);
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<UIView>>{a, b, c}));
    parent->insertSubviewBelow(c, a);
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<UIView>>{c, a, b}));

    auto other = UIView::make();
    other->addSubview(a);
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<UIView>>{c, b}));
    EXPECT_EQ(a->superview(), other);

    // A view cannot become its own ancestor's parent.
    a->addSubview(other);
    EXPECT_EQ(other->superview(), nullptr);
}

TEST_F(UIViewTests, SuperviewIsWeakAndSubviewsAreOwned) {
    auto child = UIView::make();
    std::weak_ptr<UIView> weakParent;
    {
        auto parent = UIView::make();
        parent->addSubview(child);
        weakParent = parent;
    }
    EXPECT_TRUE(weakParent.expired());
    EXPECT_EQ(child->superview(), nullptr);

    auto parent = UIView::make();
    std::weak_ptr<UIView> weakChild;
    {
        auto temporary = UIView::make();
        parent->addSubview(temporary);
        weakChild = temporary;
    }
    EXPECT_FALSE(weakChild.expired());
    weakChild.lock()->removeFromSuperview();
    EXPECT_TRUE(weakChild.expired());
}

TEST_F(UIViewTests, WindowReachesTheWholeSubtreeWithHooks) {
    auto container = UIView::make();
    auto leaf = UIView::make<HookView>();
    container->addSubview(leaf);
    leaf->calls.clear();
    EXPECT_EQ(leaf->window(), nullptr);

    window()->addSubview(container);
    EXPECT_EQ(leaf->window(), window());
    EXPECT_EQ(leaf->calls, (std::vector<std::string>{"willWindow", "didWindow"}));
    EXPECT_EQ(window()->window(), window());

    leaf->calls.clear();
    container->removeFromSuperview();
    EXPECT_EQ(leaf->window(), nullptr);
    EXPECT_EQ(leaf->calls, (std::vector<std::string>{"willNoWindow", "didNoWindow"}));
}

TEST_F(UIViewTests, FrameFollowsCenterBoundsAndTransform) {
    auto v = UIView::make(CGRect{10, 20, 100, 50});
    EXPECT_EQ(v->center(), (CGPoint{60, 45}));
    EXPECT_EQ(v->bounds(), (CGRect{0, 0, 100, 50}));
    v->setTransform(CGAffineTransform::makeScale(2, 2));
    EXPECT_EQ(v->frame(), (CGRect{-40, -5, 200, 100}));
    EXPECT_EQ(v->bounds().size, (CGSize{100, 50}));
    v->setTransform(CGAffineTransform::makeScale(0, 0));
    EXPECT_EQ(v->frame(), (CGRect{60, 45, 0, 0}));
    v->setTransform(CGAffineTransform::identity());
    EXPECT_EQ(v->frame(), (CGRect{10, 20, 100, 50}));
    v->setCenter({0, 0});
    EXPECT_EQ(v->frame(), (CGRect{-50, -25, 100, 50}));
}

TEST_F(UIViewTests, ConvertsRectsThroughOffsetsBoundsOriginAndScale) {
    auto outer = UIView::make(CGRect{10, 10, 200, 200});
    auto inner = UIView::make(CGRect{20, 30, 50, 50});
    window()->addSubview(outer);
    outer->addSubview(inner);
    EXPECT_EQ(inner->convertRectTo({0, 0, 5, 5}, nullptr), (CGRect{30, 40, 5, 5}));
    EXPECT_EQ(inner->convertRectTo({0, 0, 5, 5}, window().get()), (CGRect{30, 40, 5, 5}));
    EXPECT_EQ(outer->convertRectFrom({0, 0, 5, 5}, inner.get()), (CGRect{20, 30, 5, 5}));
    EXPECT_EQ(window()->convertRectTo({30, 40, 5, 5}, inner.get()), (CGRect{0, 0, 5, 5}));

    // Scrolling moves the bounds origin: content shifts up.
    outer->setBounds({0, 15, 200, 200});
    EXPECT_EQ(inner->convertRectTo({0, 0, 5, 5}, nullptr), (CGRect{30, 25, 5, 5}));

    outer->setBounds({0, 0, 200, 200});
    inner->setTransform(CGAffineTransform::makeScale(2, 2));
    // inner's center is (45, 55) in outer; its bounds corner (0, 0) sits 25 + 25 left and up of it.
    EXPECT_EQ(inner->convertRectTo({0, 0, 50, 50}, outer.get()), (CGRect{-5, 5, 100, 100}));
}

TEST_F(UIViewTests, ConvertsBetweenSeparateHierarchiesThroughTheirPlacement) {
    auto a = UIView::make(CGRect{10, 0, 10, 10});
    auto b = UIView::make(CGRect{0, 30, 10, 10});
    EXPECT_EQ(a->convertPointTo({0, 0}, b.get()), (CGPoint{10, -30}));
}

TEST_F(UIViewTests, HitTestingSkipsHiddenTransparentAndNonInteractiveViews) {
    auto back = UIView::make(CGRect{0, 0, 100, 100});
    auto front = UIView::make(CGRect{0, 0, 100, 100});
    window()->addSubview(back);
    window()->addSubview(front);
    EXPECT_EQ(window()->hitTest({50, 50}, nullptr), front);

    front->setHidden(true);
    EXPECT_EQ(window()->hitTest({50, 50}, nullptr), back);
    front->setHidden(false);
    front->setAlpha(0.005);
    EXPECT_EQ(window()->hitTest({50, 50}, nullptr), back);
    front->setAlpha(0.5);
    front->setUserInteractionEnabled(false);
    EXPECT_EQ(window()->hitTest({50, 50}, nullptr), back);

    // A non-interactive container hides its interactive children too.
    auto child = UIView::make(CGRect{0, 0, 10, 10});
    front->addSubview(child);
    EXPECT_EQ(window()->hitTest({5, 5}, nullptr), back);
    front->setUserInteractionEnabled(true);
    EXPECT_EQ(window()->hitTest({5, 5}, nullptr), child);

    // Outside every subview the window itself is hit; outside the window nothing.
    EXPECT_EQ(window()->hitTest({200, 300}, nullptr), window());
    EXPECT_EQ(window()->hitTest({-1, 300}, nullptr), nullptr);
}

TEST_F(UIViewTests, ADisabledControlLetsTheTapThroughToWhatIsUnderIt) {
    auto back = UIView::make(CGRect{0, 0, 100, 100});
    auto button = UIView::make<UIButton>(CGRect{10, 10, 50, 50});
    auto label = UIView::make<UILabel>(CGRect{0, 0, 20, 20});  // no touches of its own
    window()->addSubview(back);
    back->addSubview(button);
    button->addSubview(label);
    int taps = 0;
    button->addAction([&](const std::shared_ptr<UIControl>&) { ++taps; }, UIControlEventTouchUpInside);

    EXPECT_EQ(window()->hitTest({15, 15}, nullptr), button);  // through the label to its button
    window()->sendTap({15, 15});
    EXPECT_EQ(taps, 1);

    button->setEnabled(false);
    EXPECT_EQ(window()->hitTest({15, 15}, nullptr), back);
    window()->sendTap({15, 15});
    EXPECT_EQ(taps, 1);

    // An enabled control inside a disabled one is out of reach too, as on the device.
    auto inner = UIView::make<UIButton>(CGRect{0, 0, 20, 20});
    button->addSubview(inner);
    EXPECT_EQ(window()->hitTest({15, 15}, nullptr), back);
    button->setEnabled(true);
    EXPECT_EQ(window()->hitTest({15, 15}, nullptr), inner);
}

TEST_F(UIViewTests, ChangesOnTheGlassMoveTheGlassGenerationAndNothingElseDoes) {
    auto label = UIView::make<UILabel>(CGRect{0, 0, 100, 20});
    auto offGlass = UIView::make<UILabel>(CGRect{0, 0, 100, 20});
    auto generation = UIView::glassGeneration();
    offGlass->setText("not in a window");
    offGlass->setHidden(true);
    EXPECT_EQ(UIView::glassGeneration(), generation);
    label->tintColor();
    label->frame();
    EXPECT_EQ(UIView::glassGeneration(), generation);

    // Each kind of change a front must redraw for.
    std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"joining the window", [&] { window()->addSubview(label); }},
        {"text", [&] { label->setText("hello"); }},
        {"text colour", [&] { label->setTextColor(UIColor{1, 0, 0, 1}); }},
        {"frame", [&] { label->setFrame({0, 10, 100, 20}); }},
        {"hidden", [&] { label->setHidden(true); }},
        {"alpha", [&] { label->setAlpha(0.5); }},
        {"background", [&] { label->setBackgroundColor(UIColor{0, 0, 1, 1}); }},
        {"layer", [&] { label->layer()->setCornerRadius(4); }},
        {"leaving the window", [&] { label->removeFromSuperview(); }},
    };
    for (const auto& [what, change] : changes) {
        generation = UIView::glassGeneration();
        change();
        EXPECT_GT(UIView::glassGeneration(), generation) << what;
    }
}

TEST_F(UIViewTests, HitTestingHonoursScaledSubviews) {
    auto panel = UIView::make(CGRect{0, 0, 100, 100});
    window()->addSubview(panel);
    panel->setTransform(CGAffineTransform::makeScale(0, 0));
    EXPECT_EQ(window()->hitTest({50, 50}, nullptr), window());
    panel->setTransform(CGAffineTransform::makeScale(0.5, 0.5));
    EXPECT_EQ(window()->hitTest({50, 50}, nullptr), panel);
    EXPECT_EQ(window()->hitTest({10, 10}, nullptr), window());
}

TEST_F(UIViewTests, TopConstraintMovesItsViewOnLayoutOnly) {
    auto root = UIView::make<HookView>(CGRect{0, 0, 375, 667});
    auto panel = UIView::make(CGRect{0, 600, 375, 300});
    root->addSubview(panel);
    auto top = NSLayoutConstraint::make(panel, NSLayoutConstraint::Attribute::top, 493);
    root->layoutIfNeeded();
    EXPECT_EQ(panel->frame().origin.y, 493);
    int layouts = root->layouts;

    top->setConstant(373);
    EXPECT_EQ(panel->frame().origin.y, 493);
    root->layoutIfNeeded();
    EXPECT_EQ(panel->frame().origin.y, 373);
    EXPECT_EQ(root->layouts, layouts + 1);
    root->layoutIfNeeded();
    EXPECT_EQ(root->layouts, layouts + 1);

    // A scaled-away view keeps its place for when it scales back.
    panel->setTransform(CGAffineTransform::makeScale(0, 0));
    top->setConstant(100);
    root->layoutIfNeeded();
    panel->setTransform(CGAffineTransform::identity());
    EXPECT_EQ(panel->frame(), (CGRect{0, 100, 375, 300}));

    top->setActive(false);
    EXPECT_TRUE(panel->constraints().empty());
}

TEST_F(UIViewTests, TintIsInheritedUntilSetAndFlexibleWidthFollowsTheSuperview) {
    auto parent = UIView::make(CGRect{0, 0, 100, 100});
    auto child = UIView::make(CGRect{0, 0, 100, 44});
    parent->addSubview(child);
    UIColor red(1, 0, 0, 1);
    parent->setTintColor(red);
    EXPECT_EQ(child->tintColor(), red);
    child->setTintColor(UIColor::white());
    EXPECT_EQ(child->tintColor(), UIColor::white());
    child->setTintColor(std::nullopt);
    EXPECT_EQ(child->tintColor(), red);

    child->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    parent->setFrame({0, 0, 320, 100});
    EXPECT_EQ(child->frame(), (CGRect{0, 0, 320, 44}));
}

TEST_F(UIViewTests, ViewWithTagSearchesDepthFirst) {
    auto parent = UIView::make();
    auto a = UIView::make(), b = UIView::make();
    parent->addSubview(a);
    a->addSubview(b);
    b->setTag(7);
    EXPECT_EQ(parent->viewWithTag(7), b);
    EXPECT_EQ(parent->viewWithTag(8), nullptr);
}
