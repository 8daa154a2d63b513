#include <gtest/gtest.h>

#include <algorithm>

#include "DeskChatTest.h"
#include "UIKit/UINavigationController.h"

using namespace velmaro;

namespace {

// 500 chats opened and closed one after another on one desk, whose worker delivers every
// completion and chat event, with two messages sent in each: every message is echoed and shown
// seen, and every closed screen is destroyed.
TEST_F(DeskChatTest, FiveHundredChatsOpenSendAndCloseCleanly) {
    installDesk();
    for (int i = 0; i < 500; ++i) {
        auto chat = open(seedConversation());
        ASSERT_TRUE(runUntil([&] { return chat->fldMessage->isEnabled(); })) << "chat " << i;
        for (const char* text : {"Hello", "Thanks"}) {
            UIEventGenerator::type(chat->fldMessage.get(), text);
            UIEventGenerator::tap(chat->btnSend.get());
            drain();
        }
        ASSERT_TRUE(runUntil([&] { return chat->unconfirmedMessages.empty(); })) << "chat " << i;
        std::vector<std::string> mine;
        for (const auto& row : rowsOnGlass(*chat))
            if (row.kind == "me") mine.push_back(row.text + (row.seen ? " (seen)" : ""));
        ASSERT_EQ(mine, (std::vector<std::string>{"Hello (seen)", "Thanks (seen)"})) << "chat " << i;
        close(chat);
    }
    EXPECT_TRUE(closedChatsDestroyed());
}

}  // namespace
