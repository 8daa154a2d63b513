#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/WireFormat.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "Velmaro/View/ChatAgentTableViewCell.h"
#include "Velmaro/View/ChatClientTableViewCell.h"
#include "Velmaro/View/ChatEventTableViewCell.h"
#include "support/Platform/CurrentLocaleScope.h"
#include "support/Velmaro/SupportUITest.h"

namespace velmaro {

using Thread = RecordingCore::Thread;

// A content item at a wire-format time.
inline ContentModel item(std::string text, std::string direction, const std::string& when) {
    return ContentModel{std::move(text), std::move(direction), *WireFormat::dateFormatter().dateFromString(when),
                        "TEXT", ""};
}

inline ConversationModel acmeConversation() {
    ConversationModel conversation;
    conversation.id = "c-1";
    conversation.number = 42;
    conversation.status = "OPEN";
    conversation.activities = {{{item("Hello", "INBOUND", "2017-03-03T21:07:00.000+0000")}},
                               {{item("How can I help?", "OUTBOUND", "2017-03-03T21:08:00.000+0000")}}};
    return conversation;
}

class Seen : public ChatVisibilityDelegate {
public:
    void chatSeen(const std::string& conversationID) override { seen.push_back(conversationID); }
    std::vector<std::string> seen;
};

// The chat screen on the recording core, in en_US and UTC, with a stored user.
class ChatScreenTest : public SupportUITest {
protected:
    void SetUp() override {
        SupportUITest::SetUp();
        setUpVelmaroBundle();
        core().setStoredUser(UserModel{"user-1", "Ann", "Lee", "", "ann@acme.example"});
    }

    // The chat pushed over a host screen, as a conversation row opens it.
    std::shared_ptr<ChatViewController> open(std::optional<ConversationModel> conversation = acmeConversation(),
                                             std::string firstMessage = "") {
        return pushScene<ChatViewController>([&](ChatViewController& chat) {
            chat.conversation = std::move(conversation);
            chat.firstChatMessage = std::move(firstMessage);
        });
    }
    // The conversation answers and the chat connects.
    void load(ConversationModel conversation = acmeConversation(), Thread thread = Thread::caller) {
        ASSERT_TRUE(core().deliver("getConversation", std::move(conversation), std::nullopt, thread));
        drain();
    }

    // What the rows on the glass say, top to bottom: "kind text" per row.
    static std::vector<std::string> shown(const ChatViewController& chat) {
        std::vector<std::string> rows;
        auto table = chat.tableView.get();
        table->layoutIfNeeded();
        for (const auto& indexPath : table->indexPathsForVisibleRows()) {
            auto cell = table->cellForRow(indexPath);
            if (auto client = std::dynamic_pointer_cast<ChatClientTableViewCell>(cell))
                rows.push_back("me " + client->lblMessage->text().value_or(""));
            else if (auto agent = std::dynamic_pointer_cast<ChatAgentTableViewCell>(cell))
                rows.push_back((agent->reuseIdentifier() == "AnnouncerCell" ? "system " : "agent ") +
                               agent->lblMessage->text().value_or(""));
            else if (auto event = std::dynamic_pointer_cast<ChatEventTableViewCell>(cell))
                rows.push_back((event->reuseIdentifier() == "ChatSectionTitleCell" ? "day " : "event ") +
                               event->lblEventDescription->text().value_or(""));
        }
        return rows;
    }
    std::string strip(const ChatViewController& chat) const {
        return chat.lblChatStatus->text().value_or("") + (chat.lblChatStatus->alpha() > 0 ? " (shown)" : " (hidden)");
    }
    std::shared_ptr<ChatClientTableViewCell> clientCell(const ChatViewController& chat, int row) {
        chat.tableView->layoutIfNeeded();
        return std::dynamic_pointer_cast<ChatClientTableViewCell>(chat.tableView->cellForRow(IndexPath::forRow(row, 0)));
    }

    CurrentLocaleScope localeScope{Locale("en_US"), TimeZone::utc()};
};

}  // namespace velmaro
