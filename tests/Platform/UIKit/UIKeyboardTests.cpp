#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "UIKit/UIKeyboard.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "support/Platform/UIKitTest.h"

namespace {

// The keyboard's notifications in the order they came, each with its end frame.
struct KeyboardLog {
    struct Entry {
        std::string name;
        CGRect end;
    };
    std::vector<Entry> entries;
    NotificationCenter::ObserverToken token = NotificationCenter::defaultCenter().addObserver(
        "", nullptr, [this](const Notification& n) {
            if (n.name.rfind("UIKeyboard", 0) == 0) entries.push_back({n.name, UIKeyboard::endFrame(n.userInfo).value_or(CGRect{})});
        });
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& entry : entries) out.push_back(entry.name);
        return out;
    }
};

const std::vector<std::string> showing{UIKeyboardWillChangeFrameNotification, UIKeyboardWillShowNotification,
                                       UIKeyboardDidChangeFrameNotification, UIKeyboardDidShowNotification};
const std::vector<std::string> hiding{UIKeyboardWillChangeFrameNotification, UIKeyboardWillHideNotification,
                                      UIKeyboardDidChangeFrameNotification, UIKeyboardDidHideNotification};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

class UIKeyboardTests : public UIKitTest {};

TEST_F(UIKeyboardTests, ShowingAndHidingPostChangeFrameFirst) {
    KeyboardLog log;
    UIEventGenerator::showKeyboard(window(), 216);
    UIEventGenerator::hideKeyboard(window(), 216);
    EXPECT_EQ(log.names(), showing + hiding);
    ASSERT_EQ(log.entries.size(), 8u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(log.entries[i].end, (CGRect{0, 451, 375, 216}));
    for (std::size_t i = 4; i < 8; ++i) EXPECT_EQ(log.entries[i].end, (CGRect{0, 667, 375, 216}));
}

class KeyboardFollowsFocusTests : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        for (auto* field : {&name, &email}) {
            *field = UIView::make<UITextField>(CGRect{20, 100, 300, 30});
            window()->addSubview(*field);
        }
        notes = UIView::make<UITextView>(CGRect{20, 200, 300, 100});
        window()->addSubview(notes);
    }
    std::shared_ptr<UITextField> name, email;
    std::shared_ptr<UITextView> notes;
};

TEST_F(KeyboardFollowsFocusTests, FocusShowsTheKeyboardAtTheBottomWithTheAccessoryOnTop) {
    struct Case {
        const char* what;
        CGFloat accessoryHeight;  // 0: none
        bool textView;
        CGFloat keyboardHeight;
    };
    for (const auto& c : {Case{"field", 0, false, 291}, Case{"field with toolbar", 44, false, 335},
                          Case{"text view", 0, true, 291}, Case{"text view with bar", 60, true, 351}}) {
        SCOPED_TRACE(c.what);
        auto accessory = c.accessoryHeight > 0 ? UIView::make(CGRect{0, 0, 375, c.accessoryHeight}) : nullptr;
        std::shared_ptr<UIView> input = name;
        if (c.textView) {
            notes->setInputAccessoryView(accessory);
            input = notes;
        } else {
            name->setInputAccessoryView(accessory);
        }
        KeyboardLog log;
        ASSERT_TRUE(UIEventGenerator::beginEditing(input));
        EXPECT_EQ(log.names(), showing);
        for (const auto& entry : log.entries) {
            EXPECT_EQ(entry.end, (CGRect{0, 667 - c.keyboardHeight, 375, c.keyboardHeight}));
        }
        log.entries.clear();
        ASSERT_TRUE(UIEventGenerator::endEditing(input));
        EXPECT_EQ(log.names(), hiding);
        EXPECT_EQ(log.entries.back().end, (CGRect{0, 667, 375, c.keyboardHeight}));
    }
}

TEST_F(KeyboardFollowsFocusTests, MovingFocusBetweenInputsShowsAgainWithoutHiding) {
    email->setInputAccessoryView(UIView::make(CGRect{0, 0, 375, 44}));
    KeyboardLog log;
    UIEventGenerator::beginEditing(name);
    UIEventGenerator::beginEditing(email);
    UIEventGenerator::beginEditing(notes);
    EXPECT_EQ(log.names(), showing + showing + showing);
    ASSERT_EQ(log.entries.size(), 12u);
    EXPECT_EQ(log.entries[0].end.size.height, 291);
    EXPECT_EQ(log.entries[4].end.size.height, 335);
    EXPECT_EQ(log.entries[8].end.size.height, 291);

    log.entries.clear();
    UIEventGenerator::endEditing(notes);
    EXPECT_EQ(log.names(), hiding);
    log.entries.clear();
    UIEventGenerator::endEditing(notes);  // nothing had the focus: nothing to hide
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(KeyboardFollowsFocusTests, TheKeyboardGoesWhenNoTextInputKeepsTheFocus) {
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"the field leaves the window", [this] { name->removeFromSuperview(); }},
        {"the window ends editing", [this] { window()->endEditing(true); }},
        {"a read-only text view takes the focus", [this] { notes->setEditable(false), notes->becomeFirstResponder(); }},
    };
    for (const auto& [what, loseFocus] : cases) {
        SCOPED_TRACE(what);
        window()->addSubview(name);
        notes->setEditable(true);
        UIEventGenerator::beginEditing(name);
        KeyboardLog log;
        loseFocus();
        EXPECT_FALSE(name->isFirstResponder());
        EXPECT_EQ(log.names(), hiding);
        window()->endEditing(true);
    }
}

TEST_F(KeyboardFollowsFocusTests, AnObserverThatMovesTheFocusSeesWholeSequences) {
    KeyboardLog log;
    // A screen that, on will-show for the name field, sends the focus on to the email field.
    auto token = NotificationCenter::defaultCenter().addObserver(UIKeyboardWillShowNotification, nullptr,
                                                                 [this](const Notification&) {
                                                                     if (name->isFirstResponder()) email->becomeFirstResponder();
                                                                 });
    UIEventGenerator::beginEditing(name);
    EXPECT_TRUE(email->isFirstResponder());
    EXPECT_EQ(log.names(), showing + showing);
}
