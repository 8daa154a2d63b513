#include "Foundation/TextHelpers.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <memory>

namespace {

// Decodes the code point at byte `index` and moves past it; an invalid sequence yields a
// negative value and consumes at least one byte.
UChar32 nextCodePoint(std::string_view text, std::int32_t& index) {
    UChar32 c;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    U8_NEXT(bytes, index, static_cast<std::int32_t>(text.size()), c);
    return c;
}

UChar32 previousCodePoint(std::string_view text, std::int32_t& index) {
    UChar32 c;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    U8_PREV(bytes, 0, index, c);
    return c;
}

// Unicode white space, and the zero-width space, which the platform's set counts too: a message of
// only zero-width spaces is empty.
bool isWhiteSpace(UChar32 c) { return c == 0x200B || (c >= 0 && u_hasBinaryProperty(c, UCHAR_WHITE_SPACE)); }

// A character break iterator is costly to create and not safe to share, so each thread keeps one.
icu::BreakIterator* characterBreakIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    return iterator.get();
}

}  // namespace

std::size_t utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (std::int32_t index = 0; index < static_cast<std::int32_t>(utf8.size());) {
        UChar32 c = nextCodePoint(utf8, index);
        units += (c > 0xFFFF) ? 2 : 1;
    }
    return units;
}

std::size_t userPerceivedCharacterCount(std::string_view utf8) {
    if (utf8.empty()) {
        return 0;
    }
    icu::BreakIterator* iterator = characterBreakIterator();
    UErrorCode status = U_ZERO_ERROR;
    UText* text = utext_openUTF8(nullptr, utf8.data(), static_cast<int64_t>(utf8.size()), &status);
    if (iterator == nullptr || U_FAILURE(status)) {
        utext_close(text);
        return utf16Length(utf8);  // ICU data missing: code units are the best remaining guess
    }
    iterator->setText(text, status);
    std::size_t count = 0;
    if (U_SUCCESS(status)) {
        iterator->first();
        while (iterator->next() != icu::BreakIterator::DONE) {
            ++count;
        }
    }
    // The iterator keeps its own shallow clone of the text; the next call replaces it.
    utext_close(text);
    return count;
}

std::string trimmingWhitespaceAndNewlines(std::string_view utf8) {
    std::int32_t begin = 0;
    const auto size = static_cast<std::int32_t>(utf8.size());
    while (begin < size) {
        std::int32_t next = begin;
        if (!isWhiteSpace(nextCodePoint(utf8, next))) {
            break;
        }
        begin = next;
    }
    std::int32_t end = size;
    while (end > begin) {
        std::int32_t previous = end;
        if (!isWhiteSpace(previousCodePoint(utf8, previous))) {
            break;
        }
        end = previous;
    }
    return std::string(utf8.substr(static_cast<std::size_t>(begin),
                                   static_cast<std::size_t>(end - begin)));
}

std::string addingPercentEncodingForURLFragment(std::string_view utf8) {
    static constexpr std::string_view kAllowedPunctuation = "-._~!$&'()*+,;=:@/?";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(utf8.size());
    for (char ch : utf8) {
        const auto byte = static_cast<unsigned char>(ch);
        const bool alphanumeric = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                  (byte >= '0' && byte <= '9');
        if (alphanumeric || (byte != 0 && kAllowedPunctuation.find(ch) != std::string_view::npos)) {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}
