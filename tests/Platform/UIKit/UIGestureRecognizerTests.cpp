#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UIKit/UIButton.h"
#include "UIKit/UIControl.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITouch.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "support/Platform/UIKitTest.h"

namespace {

// Declines touches on controls, as a tap-to-dismiss helper does.
class SkipControls : public UIGestureRecognizerDelegate {
public:
    bool simultaneous = false;
    bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer&, const UITouch& touch) override {
        return !std::dynamic_pointer_cast<UIControl>(touch.view());
    }
    bool gestureRecognizerShouldRecognizeSimultaneously(UIGestureRecognizer&, UIGestureRecognizer&) override {
        return simultaneous;
    }
};

// A plain view that records the touches it is given.
class TouchLog : public UIView {
public:
    using UIView::UIView;
    std::vector<std::string> touches;
    void touchesBegan(const UITouchSet&, const std::shared_ptr<UIEvent>&) override { touches.push_back("began"); }
    void touchesEnded(const UITouchSet&, const std::shared_ptr<UIEvent>&) override { touches.push_back("ended"); }
    void touchesCancelled(const UITouchSet&, const std::shared_ptr<UIEvent>&) override { touches.push_back("cancelled"); }
};

struct Target {
    std::vector<std::string> log;
    void dismiss(const std::shared_ptr<UIGestureRecognizer>& r) {
        log.push_back(r->state() == UIGestureRecognizer::recognized ? "dismiss" : "dismiss?");
    }
    void other() { log.push_back("other"); }
    void pressed() { log.push_back("pressed"); }
};

}  // namespace

class UIGestureRecognizerTests : public UIKitTest {
protected:
    std::shared_ptr<Target> target = std::make_shared<Target>();
    std::shared_ptr<SkipControls> delegate = std::make_shared<SkipControls>();
    std::shared_ptr<UITapGestureRecognizer> dismiss = std::make_shared<UITapGestureRecognizer>();

    void SetUp() override {
        UIKitTest::SetUp();
        dismiss->addTarget(target, &Target::dismiss);
        dismiss->setDelegate(delegate);
        dismiss->setCancelsTouchesInView(false);
        window()->addGestureRecognizer(dismiss);
    }
};

TEST_F(UIGestureRecognizerTests, DelegateKeepsControlsWhileTapsElsewhereAreRecognisedAndDelivered) {
    auto field = UIView::make<UITextField>(CGRect{0, 0, 100, 30});
    auto button = UIView::make<UIButton>(CGRect{0, 50, 100, 30});
    auto plain = UIView::make<TouchLog>(CGRect{0, 100, 100, 100});
    for (auto v : std::vector<std::shared_ptr<UIView>>{field, button, plain}) window()->addSubview(v);
    button->addTarget(target, &Target::pressed, UIControlEventTouchUpInside);
    ASSERT_TRUE(UIEventGenerator::beginEditing(field));

    EXPECT_TRUE(UIEventGenerator::tap(button));
    EXPECT_EQ(target->log, (std::vector<std::string>{"pressed"}));
    EXPECT_TRUE(field->isFirstResponder());

    EXPECT_TRUE(UIEventGenerator::tap(plain));
    EXPECT_EQ(target->log, (std::vector<std::string>{"pressed", "dismiss"}));
    EXPECT_EQ(plain->touches, (std::vector<std::string>{"began", "ended"}));
    EXPECT_EQ(dismiss->state(), UIGestureRecognizer::State::possible);
    EXPECT_EQ(dismiss->locationInView(plain.get()), (CGPoint{50, 50}));
}

TEST_F(UIGestureRecognizerTests, CancellingRecognizerTakesTheTouchFromTheView) {
    auto plain = UIView::make<TouchLog>(CGRect{0, 0, 100, 100});
    window()->addSubview(plain);
    dismiss->setCancelsTouchesInView(true);
    UIEventGenerator::tap(plain);
    EXPECT_EQ(plain->touches, (std::vector<std::string>{"began", "cancelled"}));

    dismiss->setEnabled(false);
    UIEventGenerator::tap(plain);
    EXPECT_EQ(target->log, (std::vector<std::string>{"dismiss"}));
    EXPECT_EQ(plain->touches.back(), "ended");
}

TEST_F(UIGestureRecognizerTests, OnlyTheInnermostRecognisesUnlessSimultaneityIsAllowed) {
    auto plain = UIView::make<TouchLog>(CGRect{0, 0, 100, 100});
    window()->addSubview(plain);
    auto inner = std::make_shared<UITapGestureRecognizer>();
    inner->addTarget(target, &Target::other);
    inner->setCancelsTouchesInView(false);
    plain->addGestureRecognizer(inner);

    UIEventGenerator::tap(plain);
    EXPECT_EQ(target->log, (std::vector<std::string>{"other"}));
    delegate->simultaneous = true;
    UIEventGenerator::tap(plain);
    EXPECT_EQ(target->log, (std::vector<std::string>{"other", "other", "dismiss"}));

    // A double-tap recognizer does not take a single tap.
    plain->removeGestureRecognizer(inner);
    EXPECT_EQ(inner->view(), nullptr);
    auto doubleTap = std::make_shared<UITapGestureRecognizer>();
    doubleTap->setNumberOfTapsRequired(2);
    doubleTap->addTarget(target, &Target::other);
    plain->addGestureRecognizer(doubleTap);
    target->log.clear();
    UIEventGenerator::tap(plain);
    EXPECT_EQ(target->log, (std::vector<std::string>{"dismiss"}));
}

TEST_F(UIGestureRecognizerTests, RemovingAHandlerDuringItsTapIsSafe) {
    auto plain = UIView::make<TouchLog>(CGRect{0, 0, 100, 100});
    window()->addSubview(plain);
    std::weak_ptr<UIView> weakPlain = plain;
    dismiss->addAction([&](const std::shared_ptr<UIGestureRecognizer>&) {
        if (auto p = weakPlain.lock()) p->removeFromSuperview();
    });
    UIEventGenerator::tap(plain);
    plain.reset();
    EXPECT_TRUE(weakPlain.expired());
}
