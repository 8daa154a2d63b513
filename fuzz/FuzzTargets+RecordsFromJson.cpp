// Records as a core hands them over: conversations (with their activities and contents) and
// chat messages, read from whatever dictionary arrives, then shown as the list and chat do.

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "Velmaro/CoreInterface/ActivityModel.h"
#include "Velmaro/CoreInterface/ContentModel.h"
#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/CoreInterface/MessageModel.h"
#include "Velmaro/Helpers/Extensions.h"

using namespace velmaro;

namespace {

void showDate(Date date) {
    (void)timeFormatter().stringFromDate(date);
    (void)chatListFormat().stringFromDate(date);
}

void readRecords(const AnyDictionary& json) {
    if (auto conversation = ConversationModel::fromJson(json)) {
        fuzzsupport::check(!conversation->id.empty(), "a conversation without an id was read");
        // As the conversation list shows it.
        const Date date = fullDateFormatter().dateFromString(conversation->dateTime).value_or(Date::now());
        (void)conversationListFormat().stringFromDate(date);
        for (const auto& activity : conversation->activities)
            for (const auto& content : activity.contents) showDate(content.createdDateTime);
        // Reading is stable: the same dictionary gives the same record.
        fuzzsupport::check(ConversationModel::fromJson(json).has_value(), "a conversation read only once");
    }
    if (auto message = MessageModel::fromJson(json)) {
        showDate(message->createdDateTime);
        for (const auto& content : message->contents) showDate(content.createdDateTime);
    }
    if (auto activity = ActivityModel::fromJson(json)) {
        for (const auto& content : activity->contents) showDate(content.createdDateTime);
    }
    if (auto content = ContentModel::fromJson(json)) showDate(content->createdDateTime);
}

}  // namespace

int fuzzRecordsFromJson(const std::uint8_t* data, std::size_t size) {
    const auto value = fuzzsupport::anyFromJson(data, size);
    if (!value) return 0;
    if (const auto* dictionary = value->dictionary()) {
        readRecords(*dictionary);
    } else if (const auto* array = value->array()) {
        // A list answer: one record per entry.
        for (const auto& element : *array)
            if (const auto* entry = element.dictionary()) readRecords(*entry);
    }
    return 0;
}
