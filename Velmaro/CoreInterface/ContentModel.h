#pragma once

#include <optional>
#include <string>

#include "Foundation/Any.h"
#include "Foundation/Date.h"

namespace velmaro {

// One content item of a conversation activity.
struct ContentModel {
    std::string text;
    std::string direction;  // "INBOUND", "OUTBOUND" or a system value
    Date createdDateTime;
    std::string contentType;
    std::string eventDescription;

    // Keys "text", "direction", "contentType", "eventDescription" (text; other kinds count as
    // missing) and "createdDateTime" (a date, or a text in "yyyy-MM-dd'T'HH:mm:ss.SSSZ"; absent
    // means the moment of reading). Yields nothing when "createdDateTime" holds anything else.
    static std::optional<ContentModel> fromJson(const AnyDictionary& json);

    bool operator==(const ContentModel&) const = default;
};

// Reads the date under `key` for a record: a date, or a text in "yyyy-MM-dd'T'HH:mm:ss.SSSZ".
// Absent gives `fallback`; anything else gives nothing, because a misdated item would be
// misplaced in a timeline.
std::optional<Date> recordDate(const AnyDictionary& json, const std::string& key, Date fallback);
// Reads the list of content dictionaries under `key`: absent gives an empty list; anything
// unreadable (not an array, an entry that is not a readable content dictionary) gives nothing.
std::optional<std::vector<ContentModel>> recordContents(const AnyDictionary& json,
                                                        const std::string& key);

}  // namespace velmaro
