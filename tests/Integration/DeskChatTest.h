#pragma once

#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "CoreSimulator/SupportDesk.h"
#include "Dispatch/DispatchQueue.h"
#include "UIKit/UIAlertController.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/CoreInterface/CoreService.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "support/Velmaro/ChatScreenTest.h"

namespace velmaro {

// The chat screen on the embedded desk instead of the recording core: real completions and chat
// events from the desk's worker (and, with chaos, other threads), the main queue on a manual
// clock, and bounded real waiting for what the desk sends.
class DeskChatTest : public ChatScreenTest {
protected:
    void TearDown() override {
        installCoreLibrary(nullptr);
        desk.reset();  // joins the worker: nothing calls into the next test
        ChatScreenTest::TearDown();
    }

    // Installs a desk answering within milliseconds, with the faults given, and registers the
    // user (again, while a chaotic desk answers with server errors).
    void installDesk(std::optional<SupportDesk::Options::Chaos> chaos = std::nullopt) {
        SupportDesk::Options options;
        options.latency = chaos ? 0.001 : 0;
        options.agentReplyDelay = chaos ? 0.002 : 0;
        options.reconnectDelay = 0.01;
        options.agentReply = [](const std::string& text) { return "Re: " + text; };
        options.chaos = std::move(chaos);
        options.chatEventObserver = [echoes = echoes_](const AnyDictionary& event) {
            auto record = MessageModel::fromJson(event);
            if (!record || record->type != "RECEIVED_MESSAGE_RESPONSE" || record->senderType != "CUSTOMER" ||
                std::isnan(record->messageId))
                return;
            std::lock_guard lock(echoes->mutex);
            echoes->ids.insert(record->messageId);
        };
        installCoreLibrary(nullptr);
        desk = std::make_shared<SupportDesk>(acmeConfig(), std::move(options));
        installCoreLibrary(desk);
        for (int attempt = 0; attempt < 20 && !UserModel::loadUser(); ++attempt) {
            auto answered = std::make_shared<bool>(false);
            CoreService::shared().createEndUser(StringDictionary{{"userName", "ann@acme.example"}},
                                                [answered](auto, auto) {
                                                    DispatchQueue::main().async([answered] { *answered = true; });
                                                });
            waitFor([&] { return *answered; });
        }
        ASSERT_TRUE(UserModel::loadUser());
    }

    // A fresh open conversation on the desk with the agent's greeting.
    ConversationModel seedConversation() {
        ConversationModel conversation;
        conversation.activities = {{{item("Welcome!", "OUTBOUND", "2017-03-03T21:08:00.000+0000")}}};
        conversation.id = desk->seedConversation(conversation);
        return *desk->conversation(conversation.id);
    }

    // Runs the main queue and the clock until the predicate holds or `seconds` of real time pass.
    bool runUntil(const std::function<bool()>& predicate, double seconds = 3.0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!predicate()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            waitFor(predicate, 0.005);
            advance(0.25);
        }
        return true;
    }

    // The user answers every alert on the glass.
    void dismissAlerts() {
        while (GlassReader::visibleAlert(window())) {
            UIEventGenerator::pressAlertAction(window(), "Dismiss");
            settle();
        }
    }

    // Whether the desk has sent the well-formed echo of the message.
    bool echoed(double messageId) const {
        std::lock_guard lock(echoes_->mutex);
        return echoes_->ids.count(messageId) > 0;
    }

    // Every row on the glass, top to bottom, scrolling to each ("kind text", as ChatScreenTest's).
    static std::vector<std::string> allRows(const ChatViewController& chat) {
        std::vector<std::string> rows;
        for (int row = 0; row < static_cast<int>(chat.contentArray.size()); ++row) {
            chat.tableView->scrollToRow(IndexPath::forRow(row, 0), UITableView::ScrollPosition::bottom, false);
            chat.tableView->layoutIfNeeded();
            auto cell = chat.tableView->cellForRow(IndexPath::forRow(row, 0));
            if (auto client = std::dynamic_pointer_cast<ChatClientTableViewCell>(cell))
                rows.push_back("me " + client->lblMessage->text().value_or(""));
            else if (auto agent = std::dynamic_pointer_cast<ChatAgentTableViewCell>(cell))
                rows.push_back((agent->reuseIdentifier() == "AnnouncerCell" ? "system " : "agent ") +
                               agent->lblMessage->text().value_or(""));
            else if (auto event = std::dynamic_pointer_cast<ChatEventTableViewCell>(cell))
                rows.push_back((event->reuseIdentifier() == "ChatSectionTitleCell" ? "day " : "event ") +
                               event->lblEventDescription->text().value_or(""));
            else
                rows.push_back("?");
        }
        return rows;
    }

    // The seen mark of each of the user's rows on the glass: (text, seen, messageId).
    struct ClientRow {
        std::string text;
        bool seen;
        double messageId;
    };
    std::vector<ClientRow> clientRows(const ChatViewController& chat) {
        std::vector<ClientRow> rows;
        chat.tableView->layoutIfNeeded();
        for (int row = 0; row < static_cast<int>(chat.contentArray.size()); ++row) {
            if (chat.contentArray[static_cast<std::size_t>(row)].senderType != "CUSTOMER") continue;
            chat.tableView->scrollToRow(IndexPath::forRow(row, 0), UITableView::ScrollPosition::bottom, false);
            auto cell = clientCell(chat, row);
            if (!cell) continue;
            rows.push_back({cell->lblMessage->text().value_or(""),
                            cell->btnSeen->tintColor() == acmeConfig().primaryColor,
                            chat.contentArray[static_cast<std::size_t>(row)].messageId});
        }
        return rows;
    }

    std::shared_ptr<SupportDesk> desk;

private:
    struct Echoes {
        std::mutex mutex;
        std::set<double> ids;
    };
    std::shared_ptr<Echoes> echoes_ = std::make_shared<Echoes>();
};

}  // namespace velmaro
