#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"
#include "UIKit/UINavigationController.h"
#include "UIKitTesting/UIEventGenerator.h"
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

// acmeConversation with `extra` agent answers after it, one a minute from 21:09: taller than the table.
inline ConversationModel tallConversation(int extra = 20) {
    ConversationModel conversation = acmeConversation();
    for (int i = 0; i < extra; ++i) {
        char when[64];
        std::snprintf(when, sizeof when, "2017-03-03T%02d:%02d:00.000+0000", 21 + (9 + i) / 60, (9 + i) % 60);
        conversation.activities.push_back({{item("Answer " + std::to_string(i), "OUTBOUND", when)}});
    }
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
    // The user's rows on the glass, top to bottom: the text, and " (seen)" when marked seen.
    std::vector<std::string> mine(const ChatViewController& chat) {
        std::vector<std::string> rows;
        chat.tableView->layoutIfNeeded();
        for (const auto& indexPath : chat.tableView->indexPathsForVisibleRows())
            if (auto client = std::dynamic_pointer_cast<ChatClientTableViewCell>(chat.tableView->cellForRow(indexPath)))
                rows.push_back(client->lblMessage->text().value_or("") +
                               (client->btnSeen->tintColor() == acmeConfig().primaryColor ? " (seen)" : ""));
        return rows;
    }
    // The connected user types and sends; answers the identity the core gave the message.
    double send(ChatViewController& chat, const std::string& text) {
        UIEventGenerator::type(chat.fldMessage.get(), text);
        UIEventGenerator::tap(chat.btnSend.get());
        drain();
        return *core().lastCall("sendMessage")->arguments.at("messageId").number();
    }
    // The desk's echo of a message the user sent, stamped with the desk's time.
    void echo(const std::string& text, double messageId, const std::string& when) {
        auto event = RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "CUSTOMER", text, messageId);
        event["createdDateTime"] = Any(*WireFormat::dateFormatter().dateFromString(when));
        core().emitMessage(event);
        drain();
    }
    // Another screen pushed over the chat and popped: the chat loads and builds its timeline again.
    void coverAndUncover() {
        hostNavigation()->pushViewController(std::make_shared<UIViewController>(), false);
        hostNavigation()->popViewController(false);
        drain();
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
