#include "Foundation/RegularExpression.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>
#include <unicode/utypes.h>

#include <algorithm>

namespace {

uint32_t icuFlags(RegularExpression::Options options) {
    uint32_t flags = 0;
    if (options & RegularExpression::caseInsensitive) flags |= UREGEX_CASE_INSENSITIVE;
    if (options & RegularExpression::allowCommentsAndWhitespace) flags |= UREGEX_COMMENTS;
    if (options & RegularExpression::ignoreMetacharacters) flags |= UREGEX_LITERAL;
    if (options & RegularExpression::dotMatchesLineSeparators) flags |= UREGEX_DOTALL;
    if (options & RegularExpression::anchorsMatchLines) flags |= UREGEX_MULTILINE;
    if (options & RegularExpression::useUnixLineSeparators) flags |= UREGEX_UNIX_LINES;
    if (options & RegularExpression::useUnicodeWordBoundaries) flags |= UREGEX_UWORD;
    return flags;
}

icu::UnicodeString unicodeOf(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

// A matcher over the part of the text inside the range, or nullptr if it cannot be made.
std::unique_ptr<icu::RegexMatcher> matcherFor(const icu::RegexPattern& pattern,
                                              const icu::UnicodeString& text, NSRange range) {
    const auto length = static_cast<std::size_t>(text.length());
    const auto start = static_cast<int64_t>(std::min(range.location, length));
    const auto end = static_cast<int64_t>(
        range.location >= length ? length : range.location + std::min(range.length, length - range.location));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(text, status));
    if (U_FAILURE(status) || !matcher) {
        return nullptr;
    }
    matcher->region(start, end, status);
    return U_SUCCESS(status) ? std::move(matcher) : nullptr;
}

}  // namespace

RegularExpression::RegularExpression(std::string pattern, Options options,
                                     std::shared_ptr<const icu::RegexPattern> compiled)
    : pattern_(std::move(pattern)), options_(options), compiled_(std::move(compiled)) {}

std::variant<RegularExpression, RegularExpression::Error> RegularExpression::compile(
    std::string_view pattern, Options options) {
    UParseError where{};
    UErrorCode status = U_ZERO_ERROR;
    std::shared_ptr<const icu::RegexPattern> compiled(
        icu::RegexPattern::compile(unicodeOf(pattern), icuFlags(options), where, status));
    if (U_FAILURE(status) || !compiled) {
        Error error;
        error.code = static_cast<int>(status);
        error.localizedDescription = "The value \u201c" + std::string(pattern) + "\u201d is invalid.";
        error.failureReason = std::string(u_errorName(status)) + " at offset " +
                              std::to_string(where.offset >= 0 ? where.offset : 0);
        return error;
    }
    return RegularExpression(std::string(pattern), options, std::move(compiled));
}

std::size_t RegularExpression::numberOfMatches(std::string_view text, NSRange range) const {
    const icu::UnicodeString unicodeText = unicodeOf(text);
    auto matcher = matcherFor(*compiled_, unicodeText, range);
    if (!matcher) {
        return 0;
    }
    std::size_t count = 0;
    while (matcher->find()) {
        ++count;
    }
    return count;
}

std::optional<NSRange> RegularExpression::firstMatch(std::string_view text, NSRange range) const {
    const icu::UnicodeString unicodeText = unicodeOf(text);
    auto matcher = matcherFor(*compiled_, unicodeText, range);
    if (!matcher || !matcher->find()) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    const auto start = matcher->start(status);
    const auto end = matcher->end(status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return NSRange{static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)};
}
