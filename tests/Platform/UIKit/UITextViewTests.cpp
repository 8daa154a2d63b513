#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "UIKit/UITextView.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "support/Platform/UIKitTest.h"

namespace {

class Recorder : public UITextViewDelegate {
public:
    std::vector<std::string> log;
    bool allowChange = true;
    void textViewDidBeginEditing(const std::shared_ptr<UITextView>&) override { log.push_back("didBegin"); }
    void textViewDidEndEditing(const std::shared_ptr<UITextView>& v) override { log.push_back("didEnd '" + v->text() + "'"); }
    bool textViewShouldChangeTextInRange(const std::shared_ptr<UITextView>&, NSRange range,
                                         const std::string& text) override {
        log.push_back("shouldChange " + std::to_string(range.location) + " '" + text + "'");
        return allowChange;
    }
    void textViewDidChange(const std::shared_ptr<UITextView>& v) override { log.push_back("didChange '" + v->text() + "'"); }
};

}  // namespace

class UITextViewTests : public UIKitTest {};

TEST_F(UITextViewTests, EditingCallsTheDelegateThenPosts) {
    auto view = UIView::make<UITextView>(CGRect{0, 0, 200, 100});
    window()->addSubview(view);
    auto recorder = std::make_shared<Recorder>();
    view->setDelegate(recorder);
    auto token = NotificationCenter::defaultCenter().addObserver(
        UITextViewTextDidEndEditingNotification, view.get(),
        [&](const Notification&) { recorder->log.push_back("note end"); });

    EXPECT_TRUE(UIEventGenerator::tap(view));
    EXPECT_EQ(UIEventGenerator::type(view, "hi"), 2u);
    EXPECT_TRUE(UIEventGenerator::pressReturn(view));
    recorder->allowChange = false;
    EXPECT_EQ(UIEventGenerator::type(view, "x"), 0u);
    EXPECT_TRUE(UIEventGenerator::endEditing(view));
    EXPECT_EQ(recorder->log, (std::vector<std::string>{
                                 "didBegin", "shouldChange 0 'h'", "didChange 'h'", "shouldChange 1 'i'",
                                 "didChange 'hi'", "shouldChange 2 '\n'", "didChange 'hi\n'",
                                 "shouldChange 3 'x'", "didEnd 'hi\n'", "note end"}));
}

TEST_F(UITextViewTests, ANonEditableViewTakesNoTyping) {
    auto view = UIView::make<UITextView>(CGRect{0, 0, 200, 100});
    window()->addSubview(view);
    view->setEditable(false);
    view->setText("fixed");
    EXPECT_EQ(UIEventGenerator::type(view, "x"), 0u);
    EXPECT_EQ(UIEventGenerator::deleteBackward(view), 0u);
    EXPECT_EQ(view->text(), "fixed");
    view->setSelectable(false);
    EXPECT_FALSE(view->canBecomeFirstResponder());
}
