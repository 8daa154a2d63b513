#pragma once

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Velmaro/CoreInterface/ContentModel.h"

namespace velmaro {

// One row of the chat timeline or one live chat event.
struct MessageModel {
    std::string message;
    // Set by the core; a message it has not numbered carries NaN, which equals no identity.
    double messageId = std::numeric_limits<double>::quiet_NaN();
    Date createdDateTime;
    std::string type;        // live events: "RECEIVED_MESSAGE_RESPONSE", ...
    std::string senderType;  // "CUSTOMER", "AGENT", "ANNOUNCER", "SECTION_TITLE", ...
    std::vector<ContentModel> contents;

    // Keys: "message", "type", "senderType" (text; other kinds count as missing), "messageId"
    // (a number; absent: NaN), "createdDateTime" (a date or a full-pattern date text; absent: the moment
    // of reading),
    // "contents" (array of content dictionaries; absent: none). Any other key is ignored, so the
    // dictionary { "": "" } makes a blank message. Yields nothing when an identity, a date or a
    // content list is there but cannot be read: such a message would be mismatched or misplaced.
    static std::optional<MessageModel> fromJson(const AnyDictionary& json);
};

}  // namespace velmaro
