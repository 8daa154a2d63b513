#pragma once

#include <string>

#include "Foundation/Any.h"

// Renders a text-to-text dictionary as a JSON object, one entry per line, in the dictionary's
// iteration order: "{\n" + entries as "key" : "value" joined by ",\n" + "\n}"; "{\n}" when empty.
// Quotes, backslashes and control characters in keys and values are escaped, so the result is
// always valid JSON.
std::string JSONDescription(const StringDictionary& dictionary);
