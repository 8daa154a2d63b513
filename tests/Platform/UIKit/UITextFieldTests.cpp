#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "UIKit/UITextField.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "support/Platform/UIKitTest.h"

namespace {

// Logs every delegate call with the field's tag, and refuses on request.
class LoggingDelegate : public UITextFieldDelegate {
public:
    explicit LoggingDelegate(std::vector<std::string>* log) : log_(log) {}
    bool allowBegin = true, allowEnd = true, allowChange = true, allowReturn = true;
    std::vector<NSRange> ranges;

    bool textFieldShouldBeginEditing(const std::shared_ptr<UITextField>& f) override {
        add("shouldBegin", f);
        return allowBegin;
    }
    void textFieldDidBeginEditing(const std::shared_ptr<UITextField>& f) override { add("didBegin", f); }
    bool textFieldShouldEndEditing(const std::shared_ptr<UITextField>& f) override {
        add("shouldEnd", f);
        return allowEnd;
    }
    void textFieldDidEndEditing(const std::shared_ptr<UITextField>& f) override { add("didEnd", f); }
    bool textFieldShouldChangeCharacters(const std::shared_ptr<UITextField>& f, NSRange range,
                                         const std::string& replacement) override {
        add("shouldChange '" + replacement + "'", f);
        ranges.push_back(range);
        return allowChange;
    }
    bool textFieldShouldReturn(const std::shared_ptr<UITextField>& f) override {
        add("shouldReturn", f);
        return allowReturn;
    }

private:
    void add(const std::string& what, const std::shared_ptr<UITextField>& f) {
        log_->push_back(what + " " + std::to_string(f->tag()));
    }
    std::vector<std::string>* log_;
};

}  // namespace

class UITextFieldTests : public UIKitTest {
protected:
    std::vector<std::string> log;
    std::shared_ptr<LoggingDelegate> delegate = std::make_shared<LoggingDelegate>(&log);
    std::vector<NotificationCenter::ObserverToken> tokens;

    std::shared_ptr<UITextField> makeField(int tag) {
        auto field = UIView::make<UITextField>(CGRect{0, 100.0 * tag, 200, 30});
        field->setTag(tag);
        field->setDelegate(delegate);
        window()->addSubview(field);
        field->addAction([this](const std::shared_ptr<UIControl>& c) { log.push_back("event begin " + std::to_string(c->tag())); },
                         UIControlEventEditingDidBegin);
        field->addAction([this](const std::shared_ptr<UIControl>& c) { log.push_back("event end " + std::to_string(c->tag())); },
                         UIControlEventEditingDidEnd);
        return field;
    }
    void observe(const std::string& name, const std::string& label) {
        tokens.push_back(NotificationCenter::defaultCenter().addObserver(name, nullptr, [this, label](const Notification& n) {
            auto view = UIView::viewForNotificationObject(n.object);
            log.push_back(label + " " + (view ? std::to_string(view->tag()) : "?"));
        }));
    }
};

TEST_F(UITextFieldTests, FocusHandOverEndsTheOldFieldBeforeTheNewOneBegins) {
    auto a = makeField(1), b = makeField(2);
    observe(UITextFieldTextDidBeginEditingNotification, "note begin");
    observe(UITextFieldTextDidEndEditingNotification, "note end");

    ASSERT_TRUE(UIEventGenerator::beginEditing(a));
    ASSERT_TRUE(UIEventGenerator::tap(b));
    EXPECT_EQ(log, (std::vector<std::string>{
                       "shouldBegin 1", "event begin 1", "didBegin 1", "note begin 1",
                       "shouldBegin 2", "shouldEnd 1", "event end 1", "didEnd 1", "note end 1",
                       "event begin 2", "didBegin 2", "note begin 2"}));
    EXPECT_FALSE(a->isEditing());
    EXPECT_TRUE(b->isEditing());
}

TEST_F(UITextFieldTests, DelegateAndDisabledStateCanRefuseTheFocus) {
    auto a = makeField(1), b = makeField(2);
    delegate->allowBegin = false;
    EXPECT_FALSE(UIEventGenerator::beginEditing(a));
    EXPECT_EQ(UIEventGenerator::type(a, "x"), 0u);
    EXPECT_EQ(a->text(), "");

    delegate->allowBegin = true;
    ASSERT_TRUE(UIEventGenerator::beginEditing(a));
    delegate->allowEnd = false;
    EXPECT_FALSE(UIEventGenerator::beginEditing(b));
    EXPECT_FALSE(window()->endEditing(false));
    EXPECT_TRUE(a->isFirstResponder());
    delegate->allowEnd = true;

    b->setEnabled(false);
    EXPECT_FALSE(b->canBecomeFirstResponder());
    EXPECT_FALSE(UIEventGenerator::beginEditing(b));
    EXPECT_TRUE(a->isFirstResponder());
}

TEST_F(UITextFieldTests, TypingAsksFirstThenChangesAndSendsEditingChanged) {
    auto field = makeField(1);
    std::vector<std::string> seen;
    field->addAction([&](const std::shared_ptr<UIControl>& c) {
        seen.push_back(*std::static_pointer_cast<UITextField>(c)->text());
    }, UIControlEventEditingChanged);
    int changes = 0;
    tokens.push_back(NotificationCenter::defaultCenter().addObserver(
        UITextFieldTextDidChangeNotification, field.get(), [&](const Notification&) { ++changes; }));

    EXPECT_EQ(UIEventGenerator::type(field, "a😀b"), 3u);
    EXPECT_EQ(field->text(), "a😀b");
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "a😀", "a😀b"}));
    EXPECT_EQ(changes, 3);
    // Ranges count UTF-16 units: the emoji takes two.
    EXPECT_EQ(delegate->ranges, (std::vector<NSRange>{{0, 0}, {1, 0}, {3, 0}}));

    delegate->ranges.clear();
    EXPECT_EQ(UIEventGenerator::deleteBackward(field, 2), 2u);
    EXPECT_EQ(field->text(), "a");
    EXPECT_EQ(delegate->ranges, (std::vector<NSRange>{{3, 1}, {1, 2}}));

    delegate->allowChange = false;
    EXPECT_EQ(UIEventGenerator::type(field, "zz"), 0u);
    EXPECT_EQ(UIEventGenerator::deleteBackward(field), 0u);
    EXPECT_EQ(field->text(), "a");
    EXPECT_EQ(changes, 5);

    // Setting the text in code is silent and never leaves it absent.
    field->setText(std::nullopt);
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(changes, 5);
}

TEST_F(UITextFieldTests, DeleteRemovesOneWholeCharacterAsAPersonSeesIt) {
    auto field = makeField(1);
    // text before, what one delete leaves, the UTF-16 range the delegate is asked about
    struct Case {
        std::string text, left;
        NSRange range;
    };
    for (const Case& c : std::vector<Case>{
             {"Zoe\u0301", "Zo", {2, 2}},                     // e + combining acute
             {"Zo\u00eb", "Zo", {2, 1}},                      // precomposed
             {"go \U0001F1EB\U0001F1F7", "go ", {3, 4}},     // a flag: two regional indicators
             {"a\U0001F469\u200D\U0001F467", "a", {1, 5}},  // joined family emoji
             {"\U0001F44D\U0001F3FD", "", {0, 4}},           // thumbs up with skin tone
             {"ab\xff", "ab", {2, 1}},                        // no UTF-8: one byte at a time
         }) {
        field->setText(c.text);
        delegate->ranges.clear();
        EXPECT_EQ(UIEventGenerator::deleteBackward(field), 1u) << c.text;
        EXPECT_EQ(field->text(), c.left) << c.text;
        EXPECT_EQ(delegate->ranges, std::vector<NSRange>{c.range}) << c.text;
    }
}

TEST_F(UITextFieldTests, ReturnKeyEndsOnExitOnlyWhenAllowedAndObserved) {
    auto a = makeField(1), b = makeField(2);
    a->setReturnKeyType(UIReturnKeyType::next);
    EXPECT_EQ(static_cast<int>(UIReturnKeyType::done), 9);
    ASSERT_TRUE(UIEventGenerator::beginEditing(a));

    // Without an on-exit action the field keeps the focus.
    EXPECT_TRUE(UIEventGenerator::pressReturn(a));
    EXPECT_TRUE(a->isFirstResponder());

    std::weak_ptr<UITextField> next = b;
    a->addAction([next](const std::shared_ptr<UIControl>&) { next.lock()->becomeFirstResponder(); },
                 UIControlEventEditingDidEndOnExit);
    delegate->allowReturn = false;
    EXPECT_FALSE(UIEventGenerator::pressReturn(a));
    EXPECT_TRUE(a->isFirstResponder());
    delegate->allowReturn = true;
    EXPECT_TRUE(UIEventGenerator::pressReturn(a));
    EXPECT_TRUE(b->isFirstResponder());

    b->addAction([](const std::shared_ptr<UIControl>&) {}, UIControlEventEditingDidEndOnExit);
    EXPECT_TRUE(UIEventGenerator::pressReturn(b));
    EXPECT_EQ(window()->firstResponder(), nullptr);
}

TEST_F(UITextFieldTests, NotificationObjectLeadsBackToTheFieldWhileItLives) {
    auto field = makeField(1);
    const void* object = nullptr;
    tokens.push_back(NotificationCenter::defaultCenter().addObserver(
        UITextFieldTextDidBeginEditingNotification, nullptr, [&](const Notification& n) { object = n.object; }));
    ASSERT_TRUE(UIEventGenerator::beginEditing(field));
    EXPECT_EQ(object, field.get());
    EXPECT_EQ(UIView::viewForNotificationObject(object), field);
    EXPECT_EQ(UIView::viewForNotificationObject(&log), nullptr);
    window()->endEditing(true);
    field->removeFromSuperview();
    field.reset();
    EXPECT_EQ(UIView::viewForNotificationObject(object), nullptr);
}
