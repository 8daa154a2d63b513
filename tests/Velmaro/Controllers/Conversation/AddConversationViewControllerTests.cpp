#include <gtest/gtest.h>

#include "Foundation/UserDefaults.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITextView.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Controllers/Conversation/AddConversationViewController.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/StoredKeys.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "Velmaro/View/AddConversationIssueCell.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;
using Thread = RecordingCore::Thread;

namespace {

StringDictionary texts(const Any& value) {
    StringDictionary result;
    if (const auto* dictionary = value.dictionary())
        for (const auto& [key, entry] : *dictionary) result[key] = entry.string().value_or("<not text>");
    return result;
}

class AddConversationTest : public SupportUITest {
protected:
    void SetUp() override {
        SupportUITest::SetUp();
        setUpVelmaroBundle();
    }

    // The add screen pushed over the screen that opened it (the conversation list, say).
    std::shared_ptr<AddConversationViewController> open() {
        opener_ = hostInNavigation();
        auto add = instantiateVC<AddConversationViewController>(*loadStoryboard(Storyboard::Velmaro));
        hostNavigation()->pushViewController(add, false);
        drain();
        return add;
    }
    std::shared_ptr<AddConversationIssueCell> issueCell(const AddConversationViewController& add) {
        add.tableView->layoutIfNeeded();
        return std::dynamic_pointer_cast<AddConversationIssueCell>(add.tableView->cellForRow(IndexPath::forRow(0, 0)));
    }
    std::shared_ptr<UITextView> problemText(const AddConversationViewController& add) {
        return issueCell(add)->txtVwParentView->textView.get();
    }
    std::optional<StringDictionary> sent() {
        auto call = core().lastCall("createConversation");
        if (!call) return std::nullopt;
        return texts(call->arguments.at("parameters"));
    }
    std::string alertText() const {
        auto alert = GlassReader::visibleAlert(window());
        return alert ? alert->title().value_or("") + " / " + alert->message().value_or("") : "";
    }
    ConversationModel created(std::string description) const {
        ConversationModel conversation;
        conversation.id = "c-9";
        conversation.number = 9;
        conversation.description = std::move(description);
        return conversation;
    }

    std::shared_ptr<UIViewController> opener_;
};

// ----- What is sent

struct TokenCase {
    const char* name;
    std::optional<Any> stored;
    StringDictionary expected;
};

class AddConversationTokenTest : public AddConversationTest, public testing::WithParamInterface<TokenCase> {};

TEST_P(AddConversationTokenTest, TheSendCarriesTheDescriptionAndAStoredTokenText) {
    if (GetParam().stored) UserDefaults::standard().set(*GetParam().stored, StoredKeys::endUserToken);
    auto add = open();
    UIEventGenerator::type(problemText(*add), "Printer on fire");
    ASSERT_TRUE(UIEventGenerator::tap(add->startConversationButton.get()));
    EXPECT_EQ(sent(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, AddConversationTokenTest,
    testing::Values(TokenCase{"TextToken", Any(std::string("tok-1")),
                              {{"description", "Printer on fire"}, {"endUserToken", "tok-1"}}},
                    TokenCase{"NoToken", std::nullopt, {{"description", "Printer on fire"}}},
                    TokenCase{"TokenNotText", Any(std::int64_t{42}), {{"description", "Printer on fire"}}}),
    [](const testing::TestParamInfo<TokenCase>& tokenCase) { return std::string(tokenCase.param.name); });

// ----- The return key and the hint

TEST_F(AddConversationTest, ReturnAsTheFirstKeyOnlyDismissesTheKeyboard) {
    auto add = open();
    auto text = problemText(*add);
    ASSERT_TRUE(UIEventGenerator::beginEditing(text));
    EXPECT_FALSE(UIEventGenerator::pressReturn(text));
    drain();
    EXPECT_FALSE(text->isFirstResponder());
    EXPECT_EQ(text->text(), "");
    EXPECT_EQ(core().callCount("createConversation"), 0u);
    EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);
}

TEST_F(AddConversationTest, ReturnAfterTypingSendsTheTextWithoutTheLineFeedWhilePastedLinesStay) {
    auto add = open();
    auto text = problemText(*add);
    UIEventGenerator::type(text, "first line");
    ASSERT_TRUE(text->insertText("\nsecond line"));  // pasted: accepted as text
    EXPECT_EQ(core().callCount("createConversation"), 0u);
    EXPECT_FALSE(UIEventGenerator::pressReturn(text));
    EXPECT_FALSE(text->isFirstResponder());
    EXPECT_EQ(text->text(), "first line\nsecond line");
    EXPECT_EQ(sent(), (StringDictionary{{"description", "first line\nsecond line"}}));
}

TEST_F(AddConversationTest, TheHintCollapsesWhileEditingAndReturnsOnlyOverAnEmptyText) {
    auto add = open();
    auto text = problemText(*add);
    auto hint = issueCell(*add)->txtVwParentView->labelPlaceholder.get();
    UIEventGenerator::beginEditing(text);
    EXPECT_EQ(hint->transform(), CGAffineTransform::makeScale(0, 0));
    UIEventGenerator::endEditing(text);
    EXPECT_EQ(hint->transform(), CGAffineTransform::makeScale(1, 1));
    UIEventGenerator::type(text, "Help");
    UIEventGenerator::endEditing(text);
    EXPECT_EQ(hint->transform(), CGAffineTransform::makeScale(0, 0));
}

TEST_F(AddConversationTest, TheRowGrowsWithTheTextWithoutMovingTheTable) {
    auto add = open();
    auto text = problemText(*add);
    const CGFloat before = add->tableView->rectForRow(IndexPath::forRow(0, 0)).height();
    UIEventGenerator::type(text, std::string(400, 'x'));
    EXPECT_GT(add->tableView->rectForRow(IndexPath::forRow(0, 0)).height(), before);
    EXPECT_EQ(add->tableView->contentOffset().y, 0);
    EXPECT_TRUE(UIView::areAnimationsEnabled());
}

// ----- Missing descriptions and outstanding requests

TEST_F(AddConversationTest, WithoutADescriptionSendAlertsAndNothingGoesOut) {
    auto add = open();
    UIEventGenerator::tap(add->startConversationButton.get());
    settle();
    EXPECT_EQ(alertText(), "Error / Please describe your problem");
    UIEventGenerator::pressAlertAction(window(), "Dismiss");
    settle();

    // Typed and deleted again: nothing is described either, by the button or by the return key.
    auto text = problemText(*add);
    UIEventGenerator::type(text, "ab");
    UIEventGenerator::deleteBackward(text, 2);
    EXPECT_FALSE(UIEventGenerator::pressReturn(text));
    settle();
    EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);
    UIEventGenerator::tap(add->startConversationButton.get());
    settle();
    EXPECT_EQ(alertText(), "Error / Please describe your problem");
    EXPECT_EQ(core().callCount("createConversation"), 0u);
}

TEST_F(AddConversationTest, ASecondSendWaitsForTheFirstAndAFailureKeepsTheFormAndItsToken) {
    UserDefaults::standard().set(std::string("tok-1"), StoredKeys::endUserToken);
    auto add = open();
    auto text = problemText(*add);
    UIEventGenerator::type(text, "Printer on fire");
    UIEventGenerator::tap(add->startConversationButton.get());
    UIEventGenerator::tap(add->startConversationButton.get());
    EXPECT_FALSE(UIEventGenerator::pressReturn(text));
    EXPECT_EQ(core().callCount("createConversation"), 1u);

    core().deliverError("createConversation", "desk unreachable", Thread::background);
    EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);  // on the main queue only
    settle();
    EXPECT_EQ(alertText(), "Error / desk unreachable");
    UIEventGenerator::pressAlertAction(window(), "Dismiss");
    settle();
    EXPECT_EQ(topScreen(), add);
    EXPECT_EQ(text->text(), "Printer on fire");

    UserDefaults::standard().remove(StoredKeys::endUserToken);
    UIEventGenerator::tap(add->startConversationButton.get());
    EXPECT_EQ(core().callCount("createConversation"), 2u);
    EXPECT_EQ(sent(), (StringDictionary{{"description", "Printer on fire"}, {"endUserToken", "tok-1"}}));
}

// ----- Into the chat

TEST_F(AddConversationTest, ACreatedConversationReplacesTheFormWithItsChat) {
    std::weak_ptr<AddConversationViewController> weakAdd;
    {
        auto add = open();
        weakAdd = add;
        EXPECT_EQ(add->indexToRemove, 1);
        UIEventGenerator::type(problemText(*add), "Printer on fire");
        UIEventGenerator::tap(add->startConversationButton.get());
    }
    core().deliver("createConversation", created("Printer on fire (from the desk)"), std::nullopt, Thread::background);
    drain();  // the completion builds the chat and queues the stack change
    drain();
    settle();

    const auto& stack = hostNavigation()->viewControllers();
    ASSERT_EQ(stack.size(), 2u);
    EXPECT_EQ(stack[0], opener_);
    auto chat = std::dynamic_pointer_cast<ChatViewController>(stack[1]);
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(chat->conversation, created("Printer on fire (from the desk)"));
    EXPECT_EQ(chat->firstChatMessage, "Printer on fire (from the desk)");
    EXPECT_TRUE(weakAdd.expired());
}

TEST_F(AddConversationTest, AStaleIndexNeverTakesTheOpenersScreen) {
    auto add = open();
    add->indexToRemove = 0;  // as if loaded outside the stack
    UIEventGenerator::type(problemText(*add), "Printer on fire");
    UIEventGenerator::tap(add->startConversationButton.get());
    core().deliver("createConversation", created("Printer on fire"));
    drain();
    settle();
    const auto& stack = hostNavigation()->viewControllers();
    ASSERT_EQ(stack.size(), 3u);
    EXPECT_EQ(stack[0], opener_);
    EXPECT_NE(std::dynamic_pointer_cast<ChatViewController>(stack[2]), nullptr);
}

}  // namespace
