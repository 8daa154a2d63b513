#include <gtest/gtest.h>

#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/CoreLibrary.h"
#include "Velmaro/CoreInterface/WireFormat.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/SceneKit.h"
#include "Velmaro/View/ChatAgentTableViewCell.h"
#include "Velmaro/View/ChatClientTableViewCell.h"
#include "Velmaro/View/ChatEventTableViewCell.h"
#include "Velmaro/Helpers/ImageCache.h"
#include "support/Platform/LoopbackHTTPServer.h"
#include "support/Platform/TestImages.h"
#include "support/Velmaro/ChatScreenTest.h"

using namespace velmaro;

namespace {

// ----- Loading and connecting

TEST_F(ChatScreenTest, OpeningMarksSeenLoadsTheConversationAndConnectsWithTheFirstMessage) {
    auto delegate = std::make_shared<Seen>();
    hostInNavigation();
    auto chat = instantiateVC<ChatViewController>(*loadStoryboard(Storyboard::Velmaro));
    chat->conversation = acmeConversation();
    chat->firstChatMessage = "My printer is on fire";
    chat->chatDelegate = delegate;
    hostNavigation()->pushViewController(chat, false);
    EXPECT_EQ(core().lastCall("setConversationSeen")->arguments.at("conversationId").string(), "c-1");
    EXPECT_EQ(core().callCount("getConversation"), 1u);
    EXPECT_EQ(core().callCount("getSatisfactionScores"), 1u);
    EXPECT_FALSE(chat->fldMessage->isEnabled());

    core().deliver("setConversationSeen", acmeConversation(), std::nullopt, Thread::background);
    EXPECT_TRUE(delegate->seen.empty());  // on the main queue only
    load(acmeConversation(), Thread::background);
    EXPECT_EQ(delegate->seen, std::vector<std::string>{"c-1"});
    EXPECT_EQ(shown(*chat), (std::vector<std::string>{"me My printer is on fire", "day 03. Mar 2017.", "me Hello",
                                                      "agent How can I help?"}));
    auto configure = core().lastCall("configureChat")->arguments;
    EXPECT_EQ(configure.at("tenantId").string(), "acme");
    EXPECT_EQ(configure.at("userId").string(), "user-1");
    EXPECT_EQ(configure.at("chatId").string(), "c-1");
    EXPECT_EQ(core().lastCall("connectChat")->arguments.at("firstMessage").string(), "My printer is on fire");
    EXPECT_EQ(chat->navigationItem().backBarButtonItem()->title(), "");
}

TEST_F(ChatScreenTest, FailuresAlertAndWithoutAStoredUserTheChatStaysUnconnected) {
    core().setStoredUser(std::nullopt);
    auto delegate = std::make_shared<Seen>();
    auto chat = pushScene<ChatViewController>([&](ChatViewController& screen) {
        screen.conversation = acmeConversation();
        screen.chatDelegate = delegate;
    });
    core().deliverError("setConversationSeen", "seen failed");
    drain();
    settle();
    ASSERT_TRUE(GlassReader::visibleAlert(window()));
    EXPECT_EQ(GlassReader::visibleAlert(window())->message(), "seen failed");
    EXPECT_TRUE(delegate->seen.empty());  // the start screen keeps its row
    load();
    EXPECT_EQ(shown(*chat).size(), 3u);  // shown all the same
    EXPECT_EQ(core().callCount("configureChat"), 0u);
    EXPECT_FALSE(chat->fldMessage->isEnabled());
}

TEST_F(ChatScreenTest, WithoutAConversationTheChatIsEmptyAndAsksNothing) {
    auto chat = open(std::nullopt);
    EXPECT_EQ(core().callCount("setConversationSeen"), 0u);
    EXPECT_EQ(core().callCount("getConversation"), 0u);
    EXPECT_TRUE(shown(*chat).empty());
    EXPECT_FALSE(chat->fldMessage->isEnabled());
}

// Each appearance rebuilds the timeline rather than appending a copy, sends the first message
// only once it went with a connect, and keeps a sent message that the loaded conversation cannot
// know yet.
TEST_F(ChatScreenTest, AppearingAgainRebuildsTheTimelineAndSendsTheFirstMessageOnce) {
    auto chat = open(acmeConversation(), "Printer");
    load();
    core().emitConnected();
    drain();
    UIEventGenerator::type(chat->fldMessage.get(), "still there?");
    UIEventGenerator::tap(chat->btnSend.get());
    drain();

    auto modal = std::make_shared<UIViewController>();
    hostNavigation()->present(modal, false);
    modal->dismiss(false);
    drain();
    EXPECT_EQ(core().callCount("getConversation"), 2u);
    auto later = acmeConversation();
    later.activities.push_back({{item("Printer", "INBOUND", "2017-03-03T21:09:00.000+0000")}});
    load(later);
    EXPECT_EQ(shown(*chat), (std::vector<std::string>{"day 03. Mar 2017.", "me Hello", "agent How can I help?",
                                                      "me Printer", "me still there?"}));
    // The desk has the description: seen, though its echo never came.
    EXPECT_EQ(mine(*chat), (std::vector<std::string>{"Hello (seen)", "Printer (seen)", "still there?"}));
    auto connects = core().calls("connectChat");
    ASSERT_EQ(connects.size(), 2u);
    EXPECT_EQ(connects[1].arguments.at("firstMessage").string(), "");
}

// ----- The status strip and chat events

TEST_F(ChatScreenTest, TheStripFollowsTheConnectionAndALateAnimationNeverUndoesANewerState) {
    auto chat = open();
    load();
    core().emitConnecting(Thread::background);
    EXPECT_EQ(strip(*chat), " (hidden)");  // nothing until the main queue runs
    drain();
    EXPECT_EQ(strip(*chat), "Connecting (hidden)");
    EXPECT_EQ(chat->lblChatStatus->backgroundColor(), colorWithHexValue(0xFF8539));
    EXPECT_EQ(chat->tableView->contentInset().top, 21);
    advance(0.2);
    EXPECT_EQ(strip(*chat), "Connecting (shown)");

    core().emitConnected(Thread::background);
    drain();
    EXPECT_TRUE(chat->fldMessage->isEnabled());
    EXPECT_EQ(strip(*chat), "Connected (shown)");
    EXPECT_EQ(chat->lblChatStatus->backgroundColor(), VelmaroColors::VelmaroGreen());
    advance(0.2);
    // The connection drops while the green strip is fading away: the red one must stay.
    core().emitDisconnected();
    drain();
    advance(1.0);
    EXPECT_EQ(strip(*chat), "Disconnected (shown)");
    EXPECT_EQ(chat->lblChatStatus->backgroundColor(), colorWithHexValue(0xFF201E));
    EXPECT_EQ(chat->tableView->contentInset().top, 21);
    EXPECT_FALSE(chat->fldMessage->isEnabled());

    core().emitConnected();
    drain();
    advance(1.0);
    EXPECT_EQ(strip(*chat), "Connected (hidden)");
    EXPECT_EQ(chat->tableView->contentInset().top, 0);
    // A chat error takes the input away, and says nothing.
    core().emitError("lost", Thread::background);
    drain();
    EXPECT_FALSE(chat->fldMessage->isEnabled());
    EXPECT_EQ(strip(*chat), "Connected (hidden)");
}

struct MessageEventCase {
    const char* type;
    const char* senderType;
    std::vector<std::string> rowsAfter;
    std::size_t reconnects;
};

class ChatMessageEventTest : public ChatScreenTest, public ::testing::WithParamInterface<MessageEventCase> {};

TEST_P(ChatMessageEventTest, EachEventTypeAddsARowReconnectsOrDoesNothing) {
    auto chat = open();
    load();
    core().emitMessage(RecordingCore::messageEvent(GetParam().type, GetParam().senderType, "news", 99),
                       Thread::background);
    drain();
    std::vector<std::string> expected{"day 03. Mar 2017.", "me Hello", "agent How can I help?"};
    expected.insert(expected.end(), GetParam().rowsAfter.begin(), GetParam().rowsAfter.end());
    EXPECT_EQ(shown(*chat), expected);
    EXPECT_EQ(core().callCount("configureChat"), 1 + GetParam().reconnects);
    if (GetParam().reconnects) {
        EXPECT_FALSE(core().lastCall("connectChat")->arguments.at("firstMessage").string());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Events, ChatMessageEventTest,
    ::testing::Values(MessageEventCase{"RECEIVED_MESSAGE_RESPONSE", "AGENT", {"agent news"}, 0},
                      MessageEventCase{"RECEIVED_MESSAGE_RESPONSE", "CUSTOMER", {}, 0},
                      MessageEventCase{"SEND_MESSAGE_RESPONSE", "AGENT", {}, 0},
                      MessageEventCase{"INTERACTION_CLOSED_RESPONSE", "ANNOUNCER", {}, 1},
                      MessageEventCase{"SOMETHING_NEW", "ANNOUNCER", {"system news"}, 0}));

// Every event the core can read becomes a row of its sender's kind; only the same identity from
// the same kind of sender is one row.
TEST_F(ChatScreenTest, ALiveMessageShowsOnceAndEveryOtherEventAsARowOfItsKind) {
    auto chat = open();
    load();
    core().emitConnected();
    drain();
    UIEventGenerator::type(chat->fldMessage.get(), "hi");
    UIEventGenerator::tap(chat->btnSend.get());
    drain();
    const double sentId = *core().lastCall("sendMessage")->arguments.at("messageId").number();

    auto news = RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "AGENT", "news", 99);
    auto untyped = news;
    untyped.erase("type");
    auto numberForText = news;
    numberForText["message"] = Any(7.5);
    numberForText["messageId"] = Any(100.0);
    auto noKind = news;
    noKind.erase("senderType");
    noKind.erase("messageId");
    auto textForId = news;
    textForId["messageId"] = Any(std::string("99"));
    auto echoWithoutType = RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "CUSTOMER", "hi", sentId);
    echoWithoutType.erase("type");
    auto agentUnderTheSentId = RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "AGENT", "mine too", sentId);
    for (const auto& event : {news, news, untyped, numberForText, noKind, textForId, AnyDictionary{}, echoWithoutType,
                              agentUnderTheSentId})
        core().emitMessage(event, Thread::background);
    drain();
    EXPECT_EQ(shown(*chat), (std::vector<std::string>{"day 03. Mar 2017.", "me Hello", "agent How can I help?",
                                                      "me hi", "agent news", "agent ", "event news", "event ",
                                                      "agent mine too"}));
    // A row without text keeps the height of a line.
    const CGFloat withText = chat->tableView->rectForRow(IndexPath::forRow(6, 0)).height();
    EXPECT_EQ(chat->tableView->rectForRow(IndexPath::forRow(7, 0)).height(), withText);
}

TEST_F(ChatScreenTest, ARebuiltTimelineThatHoldsASentMessageShowsItOnceAndSeen) {
    auto chat = open();
    load();
    core().emitConnected();
    drain();
    UIEventGenerator::type(chat->fldMessage.get(), "still there?");
    UIEventGenerator::tap(chat->btnSend.get());
    drain();
    const double sentId = *core().lastCall("sendMessage")->arguments.at("messageId").number();

    // The desk has the message, its echo is still out (or lost), and the screen loads the history
    // again: the history confirms it.
    auto modal = std::make_shared<UIViewController>();
    hostNavigation()->present(modal, false);
    modal->dismiss(false);
    drain();
    auto later = acmeConversation();
    later.activities.push_back({{item("still there?", "INBOUND", "2017-03-03T21:09:00.000+0000")}});
    later.activities.push_back({{item("Yes", "OUTBOUND", "2017-03-03T21:10:00.000+0000")}});
    load(later);
    EXPECT_EQ(shown(*chat), (std::vector<std::string>{"day 03. Mar 2017.", "me Hello", "agent How can I help?",
                                                      "me still there?", "agent Yes"}));
    EXPECT_EQ(clientCell(*chat, 3)->btnSeen->tintColor(), acmeConfig().primaryColor);
    core().emitMessage(RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "CUSTOMER", "still there?", sentId));
    drain();
    EXPECT_EQ(mine(*chat), (std::vector<std::string>{"Hello (seen)", "still there? (seen)"}));
}

TEST_F(ChatScreenTest, ALoadAnsweringAfterTheUserLeftDoesNotConnect) {
    auto chat = open();
    hostNavigation()->pushViewController(std::make_shared<UIViewController>(), false);
    load();
    EXPECT_EQ(core().callCount("configureChat"), 0u);
    EXPECT_EQ(core().callCount("connectChat"), 0u);
}

TEST_F(ChatScreenTest, ALeavingScreenIgnoresTheStripButNotItsInputAndDoesNotReconnect) {
    auto chat = open();
    load();
    core().emitConnected();
    drain();
    advance(1.0);
    auto cover = std::make_shared<UIViewController>();
    hostNavigation()->pushViewController(cover, false);
    EXPECT_EQ(core().callCount("disconnectChat"), 2u);  // about to leave, and gone
    core().emitDisconnected();
    core().emitMessage(RecordingCore::messageEvent("INTERACTION_CLOSED_RESPONSE", "ANNOUNCER", "", 5));
    drain();
    EXPECT_FALSE(chat->fldMessage->isEnabled());
    EXPECT_EQ(strip(*chat), "Connected (hidden)");
    EXPECT_EQ(core().callCount("configureChat"), 1u);

    // Back on the glass the screen shows the state again and follows the keyboard again.
    hostNavigation()->popViewController(false);
    drain();
    core().emitDisconnected();
    drain();
    EXPECT_EQ(strip(*chat), "Disconnected (hidden)");
    UIEventGenerator::showKeyboard(window(), 300);
    advance(0.3);
    EXPECT_EQ(chat->view()->frame().minY(), -300);
    UIEventGenerator::hideKeyboard(window(), 300);
    EXPECT_EQ(chat->view()->frame().minY(), 0);
}

// ----- Sending

TEST_F(ChatScreenTest, InputThatTrimsToNothingAlertsAndSendsNothing) {
    for (const char* blank : {"   ", "\n\n", "\u200b\u200b"}) {
        SCOPED_TRACE(blank);
        auto chat = open();
        load();
        core().emitConnected();
        drain();
        chat->fldMessage->setText(std::string(blank));
        EXPECT_TRUE(UIEventGenerator::pressReturn(chat->fldMessage.get()));
        settle();
        ASSERT_TRUE(GlassReader::visibleAlert(window()));
        EXPECT_EQ(GlassReader::visibleAlert(window())->title(), "Please enter some text");
        EXPECT_EQ(GlassReader::visibleAlert(window())->message(), "");
        EXPECT_EQ(core().callCount("sendMessage"), 0u);
        UIEventGenerator::pressAlertAction(window(), "Dismiss");
        settle();
    }
}

TEST_F(ChatScreenTest, AMessageIsSentUntrimmedAndShowsSeenOnlyAfterItsOwnEcho) {
    auto chat = open();
    load();
    core().emitConnected();
    drain();
    EXPECT_TRUE(chat->btnSend->isHidden());
    UIEventGenerator::type(chat->fldMessage.get(), "x");
    EXPECT_FALSE(chat->btnSend->isHidden());
    EXPECT_TRUE(chat->btnExit->isHidden());
    UIEventGenerator::deleteBackward(chat->fldMessage.get(), 1);  // empty again: Exit, not Send
    EXPECT_TRUE(chat->btnSend->isHidden());
    EXPECT_FALSE(chat->btnExit->isHidden());
    UIEventGenerator::type(chat->fldMessage.get(), "  hi \U0001F600 ");
    EXPECT_FALSE(chat->btnSend->isHidden());
    EXPECT_TRUE(chat->btnExit->isHidden());
    EXPECT_TRUE(UIEventGenerator::pressReturn(chat->fldMessage.get()));
    drain();
    const auto sent = core().lastCall("sendMessage")->arguments;
    EXPECT_EQ(sent.at("message").string(), "  hi \U0001F600 ");
    EXPECT_EQ(chat->fldMessage->text().value_or(""), "");
    EXPECT_TRUE(chat->btnSend->isHidden());
    EXPECT_FALSE(chat->btnExit->isHidden());
    EXPECT_EQ(shown(*chat).back(), "me   hi \U0001F600 ");

    const UIColor unseen = SceneKit::secondaryTextColor();  // the storyboard's tint
    const int row = static_cast<int>(chat->contentArray.size()) - 1;
    EXPECT_EQ(clientCell(*chat, row)->btnSeen->tintColor(), unseen);
    // The history's own message has been seen: the tenant's colour.
    EXPECT_EQ(clientCell(*chat, 1)->btnSeen->tintColor(), acmeConfig().primaryColor);
    // An echo of another message confirms nothing.
    core().emitMessage(RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "CUSTOMER", "x", 12345),
                       Thread::background);
    drain();
    EXPECT_EQ(clientCell(*chat, row)->btnSeen->tintColor(), unseen);
    core().emitMessage(RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "CUSTOMER", "  hi \U0001F600 ",
                                                   *sent.at("messageId").number()),
                       Thread::background);
    drain();
    EXPECT_EQ(clientCell(*chat, row)->btnSeen->tintColor(), acmeConfig().primaryColor);
    EXPECT_EQ(shown(*chat).size(), 4u);  // the echo adds no row

    // A reused cell that showed a confirmed message does not lend its mark to an unconfirmed one.
    UIEventGenerator::type(chat->fldMessage.get(), "again");
    UIEventGenerator::tap(chat->btnSend.get());
    drain();
    chat->tableView->reloadData();
    EXPECT_EQ(clientCell(*chat, row + 1)->btnSeen->tintColor(), unseen);
}

TEST_F(ChatScreenTest, NothingIsSentWhileDisconnectedAndTheTextStays) {
    auto chat = open();
    load();
    core().emitConnected();
    drain();
    UIEventGenerator::type(chat->fldMessage.get(), "important");
    core().emitDisconnected();
    drain();
    UIEventGenerator::tap(chat->btnSend.get());
    drain();
    EXPECT_EQ(core().callCount("sendMessage"), 0u);
    EXPECT_EQ(chat->fldMessage->text(), "important");
    EXPECT_EQ(shown(*chat).size(), 3u);
}

TEST_F(ChatScreenTest, AMessageSentWithNoCoreToAnswerNeverShowsSeen) {
    auto chat = open();
    load();
    core().emitConnected();
    drain();
    installCoreLibrary(nullptr);
    UIEventGenerator::type(chat->fldMessage.get(), "anyone?");
    UIEventGenerator::tap(chat->btnSend.get());
    drain();
    const int row = static_cast<int>(chat->contentArray.size()) - 1;
    EXPECT_EQ(shown(*chat).back(), "me anyone?");
    EXPECT_EQ(clientCell(*chat, row)->btnSeen->tintColor(), SceneKit::secondaryTextColor());
}

TEST_F(ChatScreenTest, StartingToTypeSubscribesAndMarksSeen) {
    auto chat = open();
    load();
    core().emitConnected();
    drain();
    UIEventGenerator::beginEditing(chat->fldMessage.get());
    EXPECT_EQ(core().callCount("subscribe"), 1u);
    EXPECT_EQ(core().callCount("setConversationSeen"), 2u);
}

// ----- Rows

TEST_F(ChatScreenTest, RowsShowTimesIn24HoursAndGrowWithTheirMessage) {
    auto conversation = acmeConversation();
    conversation.activities.push_back({{item(std::string(200, 'x') + " long", "OUTBOUND", "2017-03-03T21:09:00.000+0000")}});
    auto chat = open(conversation);
    load(conversation);
    chat->tableView->layoutIfNeeded();
    auto agent = std::dynamic_pointer_cast<ChatAgentTableViewCell>(chat->tableView->cellForRow(IndexPath::forRow(2, 0)));
    ASSERT_TRUE(agent);
    EXPECT_EQ(agent->lblFuzzyTime->text(), "21:08");
    EXPECT_EQ(clientCell(*chat, 1)->lblFuzzyTime->text(), "21:07");
    const CGFloat shortRow = chat->tableView->rectForRow(IndexPath::forRow(2, 0)).height();
    const CGFloat longRow = chat->tableView->rectForRow(IndexPath::forRow(3, 0)).height();
    EXPECT_GT(longRow, 2 * shortRow);
}

// A conversation taller than the table: the newest row is on the glass after a load, a message
// that arrives and one the user sends.
TEST_F(ChatScreenTest, NewAndSentMessagesScrollIntoView) {
    auto chat = open(tallConversation());
    load(tallConversation());
    auto lastRowShows = [&] {
        chat->tableView->layoutIfNeeded();
        const auto visible = chat->tableView->indexPathsForVisibleRows();
        return !visible.empty() && visible.back().row == static_cast<int>(chat->contentArray.size()) - 1 &&
               visible.front().row > 0;
    };
    advance(1.0);
    EXPECT_TRUE(lastRowShows());
    core().emitConnected();
    drain();
    UIEventGenerator::scroll(chat->tableView.get(), -5000);
    core().emitMessage(RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "AGENT", "news", 99));
    drain();
    advance(1.0);
    EXPECT_TRUE(lastRowShows());
    UIEventGenerator::scroll(chat->tableView.get(), -5000);
    send(*chat, "thanks");
    advance(1.0);
    EXPECT_TRUE(lastRowShows());
    EXPECT_EQ(shown(*chat).back(), "me thanks");
}

// Agent rows carry the agent's face on a pale bubble of the tenant's colour; system rows carry
// no face; conversation events are centred notes, not day titles.
TEST_F(ChatScreenTest, EachKindOfRowHasItsOwnLayout) {
    LoopbackHTTPServer server;
    server.respond("/alex.png", pngOfColor(0, 0, 255), "image/png");
    auto conversation = acmeConversation();
    conversation.agentAvatarUrl = server.url("/alex.png");
    ContentModel started = item("", "SYSTEM", "2017-03-03T21:09:00.000+0000");
    started.contentType = "CONVERSATION_STARTED";
    started.eventDescription = "Conversation started";
    conversation.activities.push_back({{started}});
    conversation.activities.push_back({{item("Queued", "SYSTEM", "2017-03-03T21:10:00.000+0000")}});
    auto chat = open(conversation);
    load(conversation);
    EXPECT_EQ(shown(*chat), (std::vector<std::string>{"day 03. Mar 2017.", "me Hello", "agent How can I help?",
                                                      "event Conversation started", "system Queued"}));
    auto cellAt = [&](int row) { return chat->tableView->cellForRow(IndexPath::forRow(row, 0)); };
    auto agent = std::dynamic_pointer_cast<ChatAgentTableViewCell>(cellAt(2));
    ASSERT_TRUE(agent);
    const UIColor tenant = uiColor(acmeConfig().primaryColor);
    EXPECT_EQ(agent->backView->backgroundColor(),
              UIColor(redValue(tenant), greenValue(tenant), blueValue(tenant), 0.1));
    ASSERT_TRUE(waitFor([&] { return agent->btnAvatar->image(UIControlStateNormal) != nullptr; }));
    EXPECT_EQ(agent->btnAvatar->image(UIControlStateNormal)->pixelAt(0, 0), UIColor(0, 0, 1, 1));
    auto system = std::dynamic_pointer_cast<ChatAgentTableViewCell>(cellAt(4));
    ASSERT_TRUE(system);
    EXPECT_FALSE(system->btnAvatar);

    auto day = std::dynamic_pointer_cast<ChatEventTableViewCell>(cellAt(0));
    auto event = std::dynamic_pointer_cast<ChatEventTableViewCell>(cellAt(3));
    ASSERT_TRUE(day && event);
    EXPECT_NE(event->lblEventDescription->font(), day->lblEventDescription->font());
    EXPECT_EQ(event->lblEventDescription->textColor(), SceneKit::secondaryTextColor());
    ImageCache::shared().removeAllObjects();
}

// ----- Lifetime

TEST_F(ChatScreenTest, AClosedChatIsDestroyedOnceItsCoreWorkHasRunAndEventsKeepNothingAlive) {
    std::weak_ptr<ChatViewController> weak;
    {
        auto chat = open();
        weak = chat;
        load();
        core().emitConnected();
        drain();
    }
    hostNavigation()->popViewController(false);
    advance(1.0);  // the strip's animations have ended
    // The requests still out hold the screen until they have answered.
    EXPECT_FALSE(weak.expired());
    core().deliver("getSatisfactionScores", std::vector<SatisfactionScoreModel>{}, std::nullopt, Thread::background);
    drain();
    EXPECT_FALSE(weak.expired());
    core().deliver("setConversationSeen", acmeConversation(), std::nullopt, Thread::background);
    drain();
    EXPECT_TRUE(weak.expired());
    // The chat service still knows the delegate it was given: it reaches nobody.
    EXPECT_FALSE(core().emitMessage(RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "AGENT", "late", 7)));
    EXPECT_EQ(drain(), 0u);
}

}  // namespace
