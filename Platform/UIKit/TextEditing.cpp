#include "UIKit/TextEditing.h"

#include <memory>

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include "Foundation/TextHelpers.h"

TextEditing::Span TextEditing::lastCharacter(const std::string& text) {
    Span span;
    if (text.empty()) return span;
    std::size_t start = text.size() - 1;
    // Step back over continuation bytes, at most three.
    for (int i = 0; i < 3 && start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80; ++i) {
        --start;
    }
    span.byteStart = start;
    span.byteLength = text.size() - start;
    std::size_t before = utf16Length(std::string_view(text).substr(0, start));
    span.range = NSRange{before, utf16Length(std::string_view(text).substr(start))};
    return span;
}

TextEditing::Span TextEditing::lastGrapheme(const std::string& text) {
    Span span;
    if (text.empty()) return span;
    icu::UnicodeString units = icu::UnicodeString::fromUTF8(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> breaks(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !breaks) return lastCharacter(text);
    breaks->setText(units);
    int32_t start = breaks->last();
    start = breaks->previous();
    if (start == icu::BreakIterator::DONE) start = 0;
    std::string head;
    units.tempSubString(0, start).toUTF8String(head);
    // Bytes that are no UTF-8 came back as replacement characters: no clean cut to map back.
    if (head.size() >= text.size() || text.compare(0, head.size(), head) != 0) return lastCharacter(text);
    span.byteStart = head.size();
    span.byteLength = text.size() - head.size();
    span.range = NSRange{static_cast<std::size_t>(start), static_cast<std::size_t>(units.length() - start)};
    return span;
}
