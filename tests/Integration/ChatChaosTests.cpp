#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "DeskChatTest.h"
#include "UIKit/UINavigationController.h"

using namespace velmaro;

namespace {

using Chaos = SupportDesk::Options::Chaos;

struct ChaosRun {
    const char* name;
    Chaos chaos;
};

Chaos only(std::uint64_t seed, double Chaos::*fault, double probability) {
    Chaos chaos;
    chaos.seed = seed;
    chaos.*fault = probability;
    return chaos;
}

std::vector<ChaosRun> runs() {
    std::vector<ChaosRun> list{
        {"drops", only(11, &Chaos::dropConnection, 0.3)},
        {"duplicates", only(12, &Chaos::duplicateEcho, 1)},
        {"reorders", only(13, &Chaos::reorderEvents, 0.5)},
        {"delayedEchoes", only(14, &Chaos::delayEcho, 1)},
        {"serverErrors", only(15, &Chaos::serverError, 0.3)},
        {"completionsAnywhere", only(16, &Chaos::randomThreadCompletion, 1)},
        {"brokenEvents", only(17, &Chaos::malformedEvent, 1)},
    };
    static const char* const seeds[] = {"all1", "all2", "all3", "all4", "all5", "all6", "all7", "all8"};
    for (std::uint64_t seed = 1; seed <= 8; ++seed) list.push_back({seeds[seed - 1], Chaos::all(seed)});
    for (auto& run : list) run.chaos.holdLimit = 0.03;
    return list;
}

void PrintTo(const ChaosRun& run, std::ostream* os) { *os << run.name << " (seed " << run.chaos.seed << ")"; }

class ChatChaosTest : public DeskChatTest, public ::testing::WithParamInterface<ChaosRun> {
protected:
    // The user's messages the desk holds, by text.
    std::map<std::string, int> recorded(const std::string& conversationId) const {
        std::map<std::string, int> texts;
        if (auto conversation = desk->conversation(conversationId))
            for (const auto& activity : conversation->activities)
                for (const auto& content : activity.contents)
                    if (content.direction == "INBOUND") ++texts[content.text];
        return texts;
    }

    // Seen marks on the glass against what the desk has: a mark never shows before its message's
    // echo went out, or, for a message sent before the timeline was rebuilt from the desk's
    // history, before the desk recorded as many messages with its text; and once an echo has been
    // handled it does show.
    void expectSeenMarksFollowTheDesk(ChatViewController& chat, const std::string& conversationId,
                                      const std::set<double>& sentBeforeRebuild, bool settled) {
        std::map<std::string, int> seen;
        for (const auto& row : rowsOnGlass(chat)) {
            if (row.kind != "me") continue;
            if (row.seen) {
                ++seen[row.text];
                EXPECT_TRUE(echoed(row.messageId) || sentBeforeRebuild.count(row.messageId))
                    << row.text << " shows seen before its echo";
            } else if (settled) {
                EXPECT_FALSE(echoed(row.messageId)) << row.text << " echoed but not seen";
            }
        }
        // Read after the glass: the desk only ever gains messages.
        const auto held = recorded(conversationId);
        for (const auto& [text, count] : seen) {
            auto found = held.find(text);
            EXPECT_LE(count, found == held.end() ? 0 : found->second)
                << text << " shows seen more often than the desk has it";
        }
    }

    // Another screen pushed over the chat and popped: the chat disconnects, loads the history,
    // rebuilds its timeline and connects again (the user tries again while the desk fails).
    bool rebuildTimeline(ChatViewController& chat) {
        for (int attempt = 0; attempt < 6; ++attempt) {
            hostNavigation()->pushViewController(std::make_shared<UIViewController>(), false);
            settle();
            hostNavigation()->popViewController(false);
            settle();
            runUntil([&] { return !chat.fldMessage->isEnabled(); }, 0.5);
            runUntil([&] { return chat.fldMessage->isEnabled() || GlassReader::visibleAlert(window()); });
            dismissAlerts();
            if (runUntil([&] { return chat.fldMessage->isEnabled(); }, 0.3)) return true;
        }
        return false;
    }
};

// A scripted user: opens the chat (again, while it cannot connect), sends messages, some of them
// the same "ok", one typed just before the link drops, rebuilds the timeline midway by covering
// the chat with another screen, and closes it. Afterwards every sent message is on the glass once
// and in order, seen marks follow what the desk has, no answer shows more often than its question
// was asked, and every closed screen is gone.
TEST_P(ChatChaosTest, TheChatKeepsItsPromises) {
    const ChaosRun& run = GetParam();
    installDesk(run.chaos);
    const ConversationModel conversation = seedConversation();
    const std::string prefix = std::string(run.name) + "-";
    const std::vector<std::string> script{prefix + "0", "ok", prefix + "2", "ok", "ok", prefix + "5", "ok", prefix + "7"};
    std::vector<std::string> sent;
    std::set<double> sentBeforeRebuild;

    std::shared_ptr<ChatViewController> chat;
    for (int attempt = 0; attempt < 6 && !chat; ++attempt) {
        auto opened = open(conversation);
        runUntil([&] { return opened->fldMessage->isEnabled() || GlassReader::visibleAlert(window()); });
        dismissAlerts();
        if (runUntil([&] { return opened->fldMessage->isEnabled(); }, 0.3)) {
            chat = opened;
            break;
        }
        close(opened);
    }
    ASSERT_TRUE(chat) << "the chat never connected";

    for (std::size_t i = 0; i < script.size(); ++i) {
        const std::string& text = script[i];
        dismissAlerts();
        ASSERT_TRUE(runUntil([&] { return chat->fldMessage->isEnabled(); })) << "no reconnection";
        UIEventGenerator::type(chat->fldMessage.get(), text);
        ASSERT_EQ(chat->fldMessage->text().value_or(""), text);
        if (i == 3) {
            desk->dropConnection();
            // The drop is told at once; moving the clock meanwhile could reconnect before it shows.
            ASSERT_TRUE(waitFor([&] { return !chat->fldMessage->isEnabled(); }, 3.0));
        }
        // The user presses send until it goes; a dropped link keeps the text in the field.
        for (int tries = 0; tries < 50; ++tries) {
            dismissAlerts();
            const bool enabled = chat->fldMessage->isEnabled();
            UIEventGenerator::tap(chat->btnSend.get());
            drain();
            if (enabled) break;
            EXPECT_EQ(chat->fldMessage->text().value_or(""), text) << "typed text lost while disconnected";
            ASSERT_TRUE(runUntil([&] { return chat->fldMessage->isEnabled(); })) << "no reconnection";
        }
        ASSERT_EQ(chat->fldMessage->text().value_or(""), "") << text << " was not sent";
        sent.push_back(text);
        runUntil([] { return false; }, 0.003);
        expectSeenMarksFollowTheDesk(*chat, conversation.id, sentBeforeRebuild, false);
        if (i == 4) {
            // Two "ok" just sent, their echoes perhaps still out: the rebuilt timeline keeps both.
            for (const auto& row : rowsOnGlass(*chat))
                if (row.kind == "me") sentBeforeRebuild.insert(row.messageId);
            ASSERT_TRUE(rebuildTimeline(*chat)) << "the chat never came back";
            expectSeenMarksFollowTheDesk(*chat, conversation.id, sentBeforeRebuild, false);
        }
    }
    // Whatever the desk still holds back comes out within its hold limit and reconnect delay.
    runUntil([] { return false; }, 0.2);
    dismissAlerts();

    std::vector<std::string> mine;
    std::map<std::string, int> answers, asked;
    for (const auto& text : sent) ++asked["Re: " + text];
    for (const auto& row : rowsOnGlass(*chat)) {
        if (row.kind == "me") mine.push_back(row.text);
        if (row.kind == "agent" && row.text.rfind("Re: ", 0) == 0) ++answers[row.text];
    }
    EXPECT_EQ(mine, sent);
    for (const auto& [answer, count] : answers) EXPECT_LE(count, asked[answer]) << answer;
    // Echoes still on their way to the main queue are handled within the wait.
    runUntil([&] {
        const auto rows = rowsOnGlass(*chat);
        return std::all_of(rows.begin(), rows.end(),
                           [&](const auto& row) { return row.kind != "me" || row.seen || !echoed(row.messageId); });
    }, 2.0);
    expectSeenMarksFollowTheDesk(*chat, conversation.id, sentBeforeRebuild, true);

    close(chat);
    EXPECT_TRUE(closedChatsDestroyed()) << "a closed chat screen was never destroyed";
}

INSTANTIATE_TEST_SUITE_P(Faults, ChatChaosTest, ::testing::ValuesIn(runs()),
                         [](const ::testing::TestParamInfo<ChaosRun>& param) { return std::string(param.param.name); });

}  // namespace
