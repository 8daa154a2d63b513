#include <algorithm>
#include <cmath>
#include <utility>

#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/Helpers/Extensions.h"
#include "Velmaro/Helpers/MainQueueBridge.h"

namespace velmaro {

namespace {

std::optional<MessageModel> makeMessage(const std::string& senderType, const std::string& text,
                                        std::optional<Date> created) {
    AnyDictionary json{{"senderType", Any(senderType)}, {"message", Any(text)}};
    if (created) json.emplace("createdDateTime", Any(*created));
    return MessageModel::fromJson(json);
}

std::string kindOf(const ContentModel& item) {
    if (item.direction == "INBOUND") return "CUSTOMER";
    if (item.direction == "OUTBOUND") return "AGENT";
    return "ANNOUNCER";
}

// The day of the date on the wall clock of the zone: two dates with the same number fall on the
// same civil day and so format to the same day title.
long localDayNumber(Date date, const TimeZone& zone) {
    const double local = date.timeIntervalSince1970() + zone.secondsFromGMT(date);
    return static_cast<long>(std::floor(local / 86400.0));
}

}  // namespace

void ChatViewController::extractPreviousActivity(const ConversationModel& loaded) {
    // Messages the user sent that the loaded conversation cannot know yet stay on screen, after
    // the rebuilt timeline; everything else comes back from the conversation itself.
    std::vector<MessageModel> awaitingEcho;
    for (auto& row : contentArray)
        if (isAwaitingEcho(row)) awaitingEcho.push_back(std::move(row));
    contentArray.clear();

    // The first message is shown and sent once; later loads find it among the activities.
    const bool sendFirstMessage = !firstMessageSent_ && !firstChatMessage.empty();
    if (sendFirstMessage) {
        if (auto first = makeMessage("CUSTOMER", firstChatMessage, std::nullopt))
            contentArray.push_back(std::move(*first));
    }
    std::vector<MessageModel> messages;
    extractMessages(messages, loaded);
    sortMessages(messages);
    extractSectionDates(messages);
    // A message the desk has received but not yet echoed is in the history already: it keeps its
    // place there, under its own identity, so that it shows once and without a seen mark. The
    // latest of the user's rows with its text is it; the rest have not arrived and go last.
    for (auto row = awaitingEcho.rbegin(); row != awaitingEcho.rend(); ++row) {
        auto inHistory = std::find_if(contentArray.rbegin(), contentArray.rend(), [&](const MessageModel& shown) {
            return shown.senderType == "CUSTOMER" && std::isnan(shown.messageId) && shown.message == row->message;
        });
        if (inHistory == contentArray.rend()) continue;
        inHistory->messageId = row->messageId;
        row->senderType.clear();  // placed
    }
    for (auto& row : awaitingEcho)
        if (!row.senderType.empty()) contentArray.push_back(std::move(row));

    if (!viewDissappearing) {
        setupChat(firstMessageSent_ ? std::string() : firstChatMessage);
        firstMessageSent_ = true;
    }
    reloadAndScrollToBottom();
}

void ChatViewController::extractMessages(std::vector<MessageModel>& messagesWithoutDateDescriptors,
                                         const ConversationModel& conversation) {
    for (const auto& activity : conversation.activities) {
        // The newest item of an activity is its last; they are visited newest first.
        for (auto item = activity.contents.rbegin(); item != activity.contents.rend(); ++item) {
            std::string kind = kindOf(*item);
            const std::string* text = &item->text;
            if (item->contentType.find("CONVERSATION") != std::string::npos) {
                kind = item->contentType;
                text = &item->eventDescription;
            }
            auto message = makeMessage(kind, *text, item->createdDateTime);
            if (!message) continue;
            message->contents.push_back(*item);
            messagesWithoutDateDescriptors.push_back(std::move(*message));
        }
    }
}

void ChatViewController::sortMessages(std::vector<MessageModel>& messages) {
    // Sorting (time, position) keys and moving each message once is far cheaper than swapping
    // whole messages; equal times keep the order they were flattened in.
    std::vector<std::pair<Date, std::size_t>> keys;
    keys.reserve(messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i) keys.emplace_back(messages[i].createdDateTime, i);
    std::sort(keys.begin(), keys.end());
    std::vector<MessageModel> sorted;
    sorted.reserve(messages.size());
    for (const auto& key : keys) sorted.push_back(std::move(messages[key.second]));
    messages = std::move(sorted);
}

void ChatViewController::extractSectionDates(const std::vector<MessageModel>& messagesWithoutDateDescriptors) {
    if (messagesWithoutDateDescriptors.empty()) return;
    const DateFormatter& format = chatListFormat();
    const TimeZone zone = format.timeZone();
    contentArray.reserve(contentArray.size() + messagesWithoutDateDescriptors.size() + 8);

    auto appendTitle = [this](const std::string& text, Date created) {
        if (auto title = makeMessage("SECTION_TITLE", text, created)) contentArray.push_back(std::move(*title));
    };
    const Date firstDate = messagesWithoutDateDescriptors.front().createdDateTime;
    std::string current = format.stringFromDate(firstDate);
    long currentDay = localDayNumber(firstDate, zone);
    appendTitle(current, firstDate);
    for (const auto& message : messagesWithoutDateDescriptors) {
        // Days are told apart by their titles' text; a date on the same civil day as the last
        // one formatted has that text already, so only a new day is formatted.
        const long day = localDayNumber(message.createdDateTime, zone);
        if (day != currentDay) {
            currentDay = day;
            std::string text = format.stringFromDate(message.createdDateTime);
            if (text != current) {
                appendTitle(text, message.createdDateTime);
                current = std::move(text);
            }
        }
        contentArray.push_back(message);
    }
}

void ChatViewController::scrollToBottom(bool animated) {
    if (contentArray.empty()) return;
    const IndexPath last = IndexPath::forRow(static_cast<int>(contentArray.size()) - 1, 0);
    deferToNextTurn([self = sharedChat(), last, animated] {
        // The rows may have changed meanwhile; a row that is gone is not scrolled to.
        if (!self->tableView || last.row >= self->tableView->numberOfRows(0)) return;
        self->tableView->scrollToRow(last, UITableView::ScrollPosition::bottom, animated);
    });
}

}  // namespace velmaro
