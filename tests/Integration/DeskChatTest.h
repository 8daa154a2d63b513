#pragma once

#include <algorithm>
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

    // The user goes back from the chat; the screen is remembered to check it is destroyed.
    void close(std::shared_ptr<ChatViewController>& chat) {
        closed_.push_back(chat);
        chat.reset();
        hostNavigation()->popViewController(false);
        settle();
    }
    // Every chat closed so far is destroyed (soon: the core may still hold a queued completion).
    bool closedChatsDestroyed() {
        return runUntil([&] {
            return std::all_of(closed_.begin(), closed_.end(), [](const auto& weak) { return weak.expired(); });
        });
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

    // Every row on the glass, top to bottom, scrolling to each: its kind ("me", "agent" or
    // "other"), its text, the seen mark of the user's rows, and the identity behind the row.
    struct Row {
        std::string kind, text;
        bool seen = false;
        double messageId = 0;
    };
    std::vector<Row> rowsOnGlass(const ChatViewController& chat) {
        std::vector<Row> rows;
        for (std::size_t i = 0; i < chat.contentArray.size(); ++i) {
            const IndexPath path = IndexPath::forRow(static_cast<int>(i), 0);
            chat.tableView->scrollToRow(path, UITableView::ScrollPosition::bottom, false);
            chat.tableView->layoutIfNeeded();
            auto cell = chat.tableView->cellForRow(path);
            Row row{"other", "", false, chat.contentArray[i].messageId};
            if (auto client = std::dynamic_pointer_cast<ChatClientTableViewCell>(cell)) {
                row.kind = "me";
                row.text = client->lblMessage->text().value_or("");
                row.seen = client->btnSeen->tintColor() == acmeConfig().primaryColor;
            } else if (auto agent = std::dynamic_pointer_cast<ChatAgentTableViewCell>(cell);
                       agent && agent->reuseIdentifier() != "AnnouncerCell") {
                row.kind = "agent";
                row.text = agent->lblMessage->text().value_or("");
            }
            rows.push_back(std::move(row));
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

private:
    std::vector<std::weak_ptr<ChatViewController>> closed_;
};

}  // namespace velmaro
