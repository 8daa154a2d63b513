#pragma once

#include <string>

#include "Foundation/Any.h"
#include "Foundation/DateFormatter.h"

namespace velmaro {

// Renders a text-to-text dictionary as a JSON object, one entry per line, in the dictionary's
// iteration order: "{\n" + entries as "key" : "value" joined by ",\n" + "\n}"; "{\n}" when empty.
// Quotes, backslashes and control characters in keys and values are escaped, so the result is
// always valid JSON.
std::string JSONDescription(const StringDictionary& dictionary);

// The date formatters every screen shares, each made once on first use and safe from any thread.
// Record date texts: the wire pattern "yyyy-MM-dd'T'HH:mm:ss.SSSZ", in the POSIX locale and the
// Gregorian calendar whatever the device's settings, in the current time zone.
const DateFormatter& fullDateFormatter();
// Conversation dates in lists and details: "dd/MM/yy, HH:mm".
const DateFormatter& conversationListFormat();
// Message times: "HH:mm".
const DateFormatter& timeFormatter();
// Day titles of the chat timeline: "dd. MMM yyyy." in the locale that was current when it was made.
const DateFormatter& chatListFormat();

// Now, with the medium date style and the short time style of the current locale.
std::string localizedTimestamp();

}  // namespace velmaro
