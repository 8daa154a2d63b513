#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UIKit/UIView.h"
#include "UIKit/UIWindow.h"
#include "support/Platform/UIKitTest.h"

namespace {

// A focusable view that can be told to refuse, and logs its focus changes.
class FocusView : public UIView {
public:
    FocusView(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}
    bool canBecomeFirstResponder() const override { return acceptsFocus; }
    bool canResignFirstResponder() const override { return givesUpFocus; }
    bool acceptsFocus = true;
    bool givesUpFocus = true;

protected:
    void didBecomeFirstResponder() override { log_->push_back(name_ + " began"); }
    void didResignFirstResponder() override { log_->push_back(name_ + " ended"); }

private:
    std::string name_;
    std::vector<std::string>* log_;
};

}  // namespace

class UIResponderTests : public UIKitTest {
protected:
    std::vector<std::string> log;
    std::shared_ptr<FocusView> make(const std::string& name, bool inWindow = true) {
        auto v = UIView::make<FocusView>(name, &log);
        if (inWindow) window()->addSubview(v);
        return v;
    }
};

TEST_F(UIResponderTests, FocusMovesBetweenViewsEndingTheOldFirst) {
    auto a = make("a"), b = make("b");
    EXPECT_TRUE(a->becomeFirstResponder());
    EXPECT_TRUE(a->becomeFirstResponder());  // already: no second begin
    EXPECT_TRUE(b->becomeFirstResponder());
    EXPECT_EQ(log, (std::vector<std::string>{"a began", "a ended", "b began"}));
    EXPECT_FALSE(a->isFirstResponder());
    EXPECT_TRUE(b->isFirstResponder());
    EXPECT_EQ(window()->firstResponder(), b);
}

TEST_F(UIResponderTests, ARefusingViewKeepsOrDeclinesTheFocus) {
    auto a = make("a"), b = make("b");
    b->acceptsFocus = false;
    EXPECT_FALSE(b->becomeFirstResponder());
    EXPECT_EQ(window()->firstResponder(), nullptr);

    b->acceptsFocus = true;
    ASSERT_TRUE(a->becomeFirstResponder());
    a->givesUpFocus = false;
    EXPECT_FALSE(b->becomeFirstResponder());
    EXPECT_FALSE(a->resignFirstResponder());
    EXPECT_TRUE(a->isFirstResponder());
    EXPECT_FALSE(window()->endEditing(false));
    EXPECT_TRUE(a->isFirstResponder());
    EXPECT_TRUE(window()->endEditing(true));
    EXPECT_FALSE(a->isFirstResponder());
    EXPECT_EQ(log, (std::vector<std::string>{"a began", "a ended"}));
}

TEST_F(UIResponderTests, OnlyViewsInAWindowTakeTheFocus) {
    auto loose = make("loose", false);
    EXPECT_FALSE(loose->becomeFirstResponder());
    EXPECT_TRUE(loose->resignFirstResponder());  // holding nothing, it has nothing to give up
    EXPECT_TRUE(log.empty());
}

TEST_F(UIResponderTests, LeavingTheWindowEndsTheFocus) {
    auto container = UIView::make();
    window()->addSubview(container);
    auto a = UIView::make<FocusView>("a", &log);
    container->addSubview(a);
    ASSERT_TRUE(a->becomeFirstResponder());
    container->removeFromSuperview();
    EXPECT_EQ(window()->firstResponder(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"a began", "a ended"}));
}

TEST_F(UIResponderTests, EndEditingOnlyReachesResponderBelowTheView) {
    auto left = UIView::make(), right = UIView::make();
    window()->addSubview(left);
    window()->addSubview(right);
    auto a = UIView::make<FocusView>("a", &log);
    left->addSubview(a);
    ASSERT_TRUE(a->becomeFirstResponder());
    EXPECT_TRUE(right->endEditing(false));
    EXPECT_TRUE(a->isFirstResponder());
    EXPECT_TRUE(left->endEditing(false));
    EXPECT_FALSE(a->isFirstResponder());
}

TEST_F(UIResponderTests, NextResponderIsTheSuperviewUnlessOverridden) {
    auto parent = UIView::make(), child = UIView::make();
    parent->addSubview(child);
    EXPECT_EQ(child->nextResponder(), parent);
    auto owner = std::make_shared<UIResponder>();
    child->setNextResponderOverride(owner);
    EXPECT_EQ(child->nextResponder(), owner);
}
