#pragma once

#include <unicode/uversion.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "Foundation/NSRange.h"

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

// A compiled regular expression in the ICU syntax. Immutable: one expression may be used from
// several threads at once. Texts are UTF-8; ranges and match positions are in UTF-16 units
// (see utf16Length in Foundation/TextHelpers.h).
class RegularExpression {
public:
    enum Option : unsigned {
        caseInsensitive = 1u << 0,
        allowCommentsAndWhitespace = 1u << 1,
        ignoreMetacharacters = 1u << 2,
        dotMatchesLineSeparators = 1u << 3,
        anchorsMatchLines = 1u << 4,
        useUnixLineSeparators = 1u << 5,
        useUnicodeWordBoundaries = 1u << 6,
    };
    using Options = unsigned;  // Option values or-ed together

    // Why a pattern did not compile.
    struct Error {
        int code = 0;                      // the ICU error code
        std::string localizedDescription;  // "The value “(a” is invalid."
        std::string failureReason;         // the engine's reason and the offset in the pattern
    };

    static std::variant<RegularExpression, Error> compile(std::string_view pattern,
                                                          Options options = 0);

    const std::string& pattern() const { return pattern_; }
    Options options() const { return options_; }

    // Counts non-overlapping matches inside the range; a range reaching past the text is cut at
    // its end.
    std::size_t numberOfMatches(std::string_view text, NSRange range) const;
    std::optional<NSRange> firstMatch(std::string_view text, NSRange range) const;

private:
    RegularExpression(std::string pattern, Options options,
                      std::shared_ptr<const icu::RegexPattern> compiled);

    std::string pattern_;
    Options options_ = 0;
    std::shared_ptr<const icu::RegexPattern> compiled_;
};
