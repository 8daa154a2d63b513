#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text operations the platform offers on its strings, for UTF-8 texts. Invalid UTF-8 sequences
// count as one replacement character each and are otherwise left as they are.

// Length in UTF-16 code units: the unit of ranges given to regular expressions and text fields.
std::size_t utf16Length(std::string_view utf8);

// Number of user-perceived characters (extended grapheme clusters): an emoji with its modifiers,
// a flag or a joined emoji sequence counts one, as does a letter with combining marks.
std::size_t userPerceivedCharacterCount(std::string_view utf8);

// The text without leading and trailing characters that have the Unicode White_Space property
// (blanks, tabs, line breaks, no-break and ideographic spaces) and the zero-width space.
std::string trimmingWhitespaceAndNewlines(std::string_view utf8);

// Percent-encodes every byte of the text outside the set allowed unescaped in a URL fragment:
// ASCII letters, digits and - . _ ~ ! $ & ' ( ) * + , ; = : @ / ?. The percent sign is encoded
// too, so a text that already holds escapes is encoded again. Hex digits are upper case.
std::string addingPercentEncodingForURLFragment(std::string_view utf8);
