#include "Velmaro/CoreInterface/ConversationModel.h"

namespace velmaro {

namespace {

// Integral numbers only; a count or a number with a fraction is no count.
int integerValue(const AnyDictionary& json, const std::string& key) {
    auto it = json.find(key);
    if (it == json.end()) return 0;
    if (auto integer = it->second.integer()) return static_cast<int>(*integer);
    return 0;
}

}  // namespace

std::optional<ConversationModel> ConversationModel::fromJson(const AnyDictionary& json) {
    auto id = stringValue(json, "id");
    if (!id || id->empty()) return std::nullopt;

    ConversationModel conversation;
    conversation.id = *id;
    if (auto it = json.find("activities"); it != json.end()) {
        const AnyArray* items = it->second.array();
        if (!items) return std::nullopt;
        for (const Any& item : *items) {
            const AnyDictionary* dictionary = item.dictionary();
            if (!dictionary) return std::nullopt;
            auto activity = ActivityModel::fromJson(*dictionary);
            if (!activity) return std::nullopt;
            conversation.activities.push_back(std::move(*activity));
        }
    }
    conversation.number = integerValue(json, "number");
    conversation.subject = stringValue(json, "subject").value_or("");
    conversation.description = stringValue(json, "description").value_or("");
    conversation.dateTime = stringValue(json, "dateTime").value_or("");
    conversation.status = stringValue(json, "status").value_or("");
    conversation.agentAvatarUrl = stringValue(json, "agentAvatarUrl");
    conversation.agentName = stringValue(json, "agentName");
    conversation.unseenActivityCount = integerValue(json, "unseenActivityCount");
    return conversation;
}

}  // namespace velmaro
