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
    std::vector<MessageModel> messages;
    extractMessages(messages, loaded);
    sortMessages(messages);
    for (const auto& message : messages) noteDeskTime(message.createdDateTime);

    // The description leaves with the first connect; until the desk has it, it is a sent message
    // like any other, shown first.
    if (!descriptionShown_ && !firstChatMessage.empty()) {
        descriptionShown_ = true;
        if (auto first = makeMessage("CUSTOMER", firstChatMessage, std::nullopt)) {
            unconfirmedMessages.push_back(*first);
            sentMessages_.push_back({std::move(*first), latestDeskTime_, true});
        }
    }
    placeSentMessages(messages);

    if (!viewDissappearing) {
        const bool carry = !firstChatMessage.empty() && firstMessage_ != FirstMessage::sent;
        setupChat(carry ? firstChatMessage : std::string());
    }
    reloadAndScrollToBottom();
}

void ChatViewController::placeSentMessages(std::vector<MessageModel>& history) {
    // The user's rows the last timeline showed from its history come back in this one; they are
    // nobody's newer copy.
    std::vector<const MessageModel*> shownBefore;
    for (const auto& row : contentArray)
        if (row.senderType == "CUSTOMER" && !isSentMessage(row)) shownBefore.push_back(&row);
    std::vector<bool> taken(history.size(), false);
    for (std::size_t i = 0; i < history.size(); ++i) {
        if (history[i].senderType != "CUSTOMER") continue;
        auto same = std::find_if(shownBefore.begin(), shownBefore.end(), [&](const MessageModel* row) {
            return row->message == history[i].message && row->createdDateTime == history[i].createdDateTime;
        });
        if (same == shownBefore.end()) continue;
        shownBefore.erase(same);
        taken[i] = true;
    }

    // The desk records messages in the order they were sent, so the oldest sent message takes the
    // earliest row it may be; an echoed one takes its own row too, so that no later copy does.
    std::vector<SentMessage> unplaced;
    for (auto& sent : sentMessages_) {
        std::size_t found = 0;
        while (found < history.size() &&
               (taken[found] || history[found].senderType != "CUSTOMER" || history[found].message != sent.row.message ||
                (sent.notBefore && history[found].createdDateTime < *sent.notBefore)))
            ++found;
        if (found == history.size()) {
            unplaced.push_back(std::move(sent));
            continue;
        }
        taken[found] = true;
        // The desk has it: the row is seen, in its place in the history, under its own identity.
        history[found].messageId = sent.row.messageId;
        releaseSentMessage(sent.row);
        if (sent.description) firstMessage_ = FirstMessage::sent;
    }
    sentMessages_ = std::move(unplaced);

    contentArray.clear();
    for (const auto& sent : sentMessages_)
        if (sent.description) contentArray.push_back(sent.row);
    extractSectionDates(history);
    for (const auto& sent : sentMessages_)
        if (!sent.description) contentArray.push_back(sent.row);
}

bool ChatViewController::isSentMessage(const MessageModel& row) const {
    return std::any_of(sentMessages_.begin(), sentMessages_.end(),
                       [&](const SentMessage& sent) { return sameMessage(sent.row, row); });
}

void ChatViewController::noteDeskTime(Date time) {
    if (!latestDeskTime_ || *latestDeskTime_ < time) latestDeskTime_ = time;
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
