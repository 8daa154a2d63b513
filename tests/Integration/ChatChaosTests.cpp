#include <gtest/gtest.h>

#include <algorithm>
#include <map>

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
    // Seen marks on the glass against the echoes the desk sent: a mark never shows before its
    // message's own echo went out, and once the echo has been handled it does show.
    void expectSeenMarksFollowEchoes(ChatViewController& chat, const std::string& prefix, bool settled) {
        for (const auto& row : rowsOnGlass(chat)) {
            if (row.kind != "me" || row.text.rfind(prefix, 0) != 0) continue;
            if (row.seen) {
                EXPECT_TRUE(echoed(row.messageId)) << row.text << " shows seen before its echo";
            } else if (settled) {
                EXPECT_FALSE(echoed(row.messageId)) << row.text << " echoed but not seen";
            }
        }
    }
};

// A scripted user: opens the chat (again, while it cannot connect), sends messages, one of them
// typed just before the link drops, covers the chat with another screen midway on odd seeds, and
// closes it. Afterwards every sent message is on the glass once and in order, seen marks follow
// their echoes, no answer shows twice, and every closed screen is gone.
TEST_P(ChatChaosTest, TheChatKeepsItsPromises) {
    const ChaosRun& run = GetParam();
    installDesk(run.chaos);
    const ConversationModel conversation = seedConversation();
    const std::string prefix = std::string(run.name) + "-";
    std::vector<std::string> sent;

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

    for (int i = 0; i < 8; ++i) {
        const std::string text = prefix + std::to_string(i);
        dismissAlerts();
        ASSERT_TRUE(runUntil([&] { return chat->fldMessage->isEnabled(); })) << "no reconnection";
        UIEventGenerator::type(chat->fldMessage.get(), text);
        ASSERT_EQ(chat->fldMessage->text().value_or(""), text);
        if (i == 3) {
            desk->dropConnection();
            ASSERT_TRUE(runUntil([&] { return !chat->fldMessage->isEnabled(); }));
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
        expectSeenMarksFollowEchoes(*chat, prefix, false);
        if (i == 5 && run.chaos.seed % 2) {
            auto modal = std::make_shared<UIViewController>();
            hostNavigation()->present(modal, false);
            modal->dismiss(false);
            settle();
        }
    }
    // Whatever the desk still holds back comes out within its hold limit and reconnect delay.
    runUntil([] { return false; }, 0.2);
    dismissAlerts();

    std::vector<std::string> mine;
    std::map<std::string, int> answers;
    for (const auto& row : rowsOnGlass(*chat)) {
        if (row.kind == "me" && row.text.rfind(prefix, 0) == 0) mine.push_back(row.text);
        if (row.kind == "agent" && row.text.rfind("Re: " + prefix, 0) == 0) ++answers[row.text];
    }
    EXPECT_EQ(mine, sent);
    for (const auto& [answer, count] : answers) EXPECT_EQ(count, 1) << answer;
    // Echoes still on their way to the main queue are handled within the wait.
    runUntil([&] {
        const auto rows = rowsOnGlass(*chat);
        return std::all_of(rows.begin(), rows.end(),
                           [&](const auto& row) { return row.kind != "me" || row.seen || !echoed(row.messageId); });
    }, 2.0);
    expectSeenMarksFollowEchoes(*chat, prefix, true);

    close(chat);
    EXPECT_TRUE(closedChatsDestroyed()) << "a closed chat screen was never destroyed";
}

INSTANTIATE_TEST_SUITE_P(Faults, ChatChaosTest, ::testing::ValuesIn(runs()),
                         [](const ::testing::TestParamInfo<ChaosRun>& param) { return std::string(param.param.name); });

}  // namespace
