#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Velmaro/CoreInterface/ActivityModel.h"

namespace velmaro {

// One support conversation.
struct ConversationModel {
    std::string id;
    int number = 0;
    std::string subject;
    std::string description;
    std::string dateTime;  // "yyyy-MM-dd'T'HH:mm:ss.SSSZ"
    std::string status;    // "OPEN" or "CLOSED"
    std::vector<ActivityModel> activities;
    std::optional<std::string> agentAvatarUrl;
    std::optional<std::string> agentName;
    int unseenActivityCount = 0;

    // Keys: "id" (non-empty text, required), "number" and "unseenActivityCount" (integers),
    // "subject", "description", "dateTime", "status", "agentAvatarUrl", "agentName" (text),
    // "activities" (array of activity dictionaries). Values of another kind count as missing,
    // except that an unreadable "activities" list makes the whole dictionary unreadable.
    static std::optional<ConversationModel> fromJson(const AnyDictionary& json);

    bool operator==(const ConversationModel&) const = default;
};

}  // namespace velmaro
