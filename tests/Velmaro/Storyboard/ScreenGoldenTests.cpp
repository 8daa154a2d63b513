// Screen states beyond the demo's tour, each compared with its golden picture and checked for
// layout problems: what a person would spot at once is caught here.
#include <gtest/gtest.h>

#include "Foundation/Date.h"
#include "UIKit/PictureRenderer.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextView.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Controllers/Conversation/AddConversationViewController.h"
#include "Velmaro/Controllers/Conversation/ConversationListViewController.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/Controllers/UserAccess/UserDetailsViewController.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/View/AddConversationIssueCell.h"
#include "support/Platform/GoldenPicture.h"
#include "support/Velmaro/ChatScreenTest.h"

using namespace velmaro;

namespace {

std::vector<SatisfactionScoreModel> fiveScores() {
    std::vector<SatisfactionScoreModel> list;
    for (int i = 0; i < 5; ++i) list.push_back({"score-" + std::to_string(i)});
    return list;
}

// A conversation longer than the screen, with the row kinds a chat shows: a day title, the
// user's and the agent's messages, a system message and a conversation event.
ConversationModel longConversation() {
    ConversationModel conversation = acmeConversation();
    conversation.agentName = "Alex";
    conversation.subject = "Kettle leaks";
    conversation.dateTime = "2017-03-03T21:06:00.000+0000";
    conversation.activities.push_back(
        {{ContentModel{"", "INBOUND", *WireFormat::dateFormatter().dateFromString("2017-03-03T21:08:30.000+0000"),
                       "CONVERSATION_ASSIGNED", "Alex joined the conversation"}}});
    for (int i = 0; i < 6; ++i) {
        const std::string minute = std::to_string(10 + i);
        conversation.activities.push_back(
            {{item("My kettle leaks at the bottom when it boils, message " + std::to_string(i + 1), "INBOUND",
                   "2017-03-03T21:" + minute + ":00.000+0000")}});
        conversation.activities.push_back(
            {{item("Thank you. Which model is it? It says on the base.", "OUTBOUND",
                   "2017-03-03T21:" + minute + ":30.000+0000")}});
    }
    conversation.activities.push_back(
        {{item("This conversation is recorded.", "SYSTEM", "2017-03-03T21:20:00.000+0000")}});
    return conversation;
}

class ScreenGoldenTest : public ChatScreenTest {
protected:
    void SetUp() override {
        ChatScreenTest::SetUp();
        Date::pinWallClock(Date(1772446500));  // the status bar's time
        // A brand red a tenant would choose: white titles on it read (pure red would not).
        Config config = acmeConfig();
        config.primaryColor = colorWithHexValue(0xD0021B);
        core().setConfig(config);
    }
    void TearDown() override {
        Date::pinWallClock(std::nullopt);
        ChatScreenTest::TearDown();
    }

    // The window looks as its golden picture and has no layout problem.
    void expectState(const std::string& name) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(GoldenPicture::matches(PictureRenderer::render(window()), "screens/" + name));
        const auto problems = GlassReader::layoutProblems(window());
        EXPECT_TRUE(problems.empty()) << LayoutCheck::report(problems);
    }

    std::shared_ptr<ChatViewController> openLong() {
        auto chat = open(longConversation());
        load(longConversation());
        core().emitConnected();
        drain();
        advance(1.0);  // the strip fades once connected
        return chat;
    }
};

TEST_F(ScreenGoldenTest, ChatStates) {
    auto chat = openLong();
    expectState("chat-long-at-its-end");

    UIEventGenerator::tap(chat->btnDetails.get());
    advance(0.3);
    expectState("chat-details-open");
    UIEventGenerator::tap(chat->btnDetails.get());
    advance(0.3);

    UIEventGenerator::tap(chat->fldMessage.get());
    UIEventGenerator::type(chat->fldMessage.get(), "It is the K2");
    drain();
    advance(0.2);
    expectState("chat-keyboard-up");
    UIEventGenerator::endEditing(chat->fldMessage.get());
    drain();
    advance(0.2);

    core().deliver("getSatisfactionScores", fiveScores(), std::nullopt);
    drain();
    UIEventGenerator::tap(chat->btnEndChat.get());
    advance(ChatViewController::ratingDelay + 0.3);
    UIEventGenerator::tap(chat->btnRatingTwo.get());
    drain();
    expectState("chat-rated-three-stars");
}

TEST_F(ScreenGoldenTest, AFailedLoadShowsItsAlert) {
    open();
    ASSERT_TRUE(core().deliverError("getConversation", "The desk cannot be reached"));
    drain();
    advance(0.5);
    expectState("chat-load-failed-alert");
}

TEST_F(ScreenGoldenTest, ConversationListEmptyAndFull) {
    auto list = pushScene<ConversationListViewController>();
    ASSERT_TRUE(core().deliver("getAllConversations", std::vector<ConversationModel>{}, std::nullopt));
    drain();
    expectState("list-empty");

    std::vector<ConversationModel> conversations;
    const char* subjects[] = {"Kettle leaks",       "Invoice address is wrong", "Parcel not delivered",
                              "Change my delivery", "Refund for a toaster",     "Broken lid",
                              "Missing screws",     "Wrong colour delivered",   "Late refund"};
    for (int i = 0; i < 9; ++i) {
        ConversationModel conversation = longConversation();
        conversation.id = "c-" + std::to_string(i);
        conversation.subject = subjects[i];
        conversation.status = "OPEN";
        conversation.unseenActivityCount = i % 3;
        conversations.push_back(conversation);
    }
    list->viewWillAppear(false);  // the list loads again as it would on coming back
    ASSERT_TRUE(core().deliver("getAllConversations", conversations, std::nullopt));
    drain();
    expectState("list-full");
}

TEST_F(ScreenGoldenTest, KeyboardUpOnEachForm) {
    auto add = pushScene<AddConversationViewController>();
    add->tableView->layoutIfNeeded();
    auto issue = std::dynamic_pointer_cast<AddConversationIssueCell>(add->tableView->cellForRow(IndexPath::forRow(0, 0)));
    ASSERT_TRUE(issue);
    UIEventGenerator::type(issue->txtVwParentView->textView.get(), "The kettle leaks");
    drain();
    expectState("add-conversation-keyboard-up");

    auto access = pushScene<UserAccessViewController>();
    UIEventGenerator::type(access->fldFirstName.get(), "Sam");
    drain();
    expectState("user-access-keyboard-up");

    auto details = pushScene<UserDetailsViewController>();
    drain();
    UIEventGenerator::type(details->txtFldFirstNameForTesting().get(), "y");
    drain();
    expectState("profile-unsaved-edit-keyboard-up");
}

}  // namespace
