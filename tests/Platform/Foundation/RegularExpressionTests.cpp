#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "Foundation/RegularExpression.h"
#include "Foundation/TextHelpers.h"

namespace {

RegularExpression compiled(std::string_view pattern, RegularExpression::Options options = 0) {
    auto result = RegularExpression::compile(pattern, options);
    if (auto* error = std::get_if<RegularExpression::Error>(&result)) {
        ADD_FAILURE() << pattern << ": " << error->failureReason;
    }
    return std::get<RegularExpression>(std::move(result));
}

std::size_t countInWholeText(const RegularExpression& expression, const std::string& text) {
    return expression.numberOfMatches(text, NSRange{0, utf16Length(text)});
}

TEST(RegularExpressionTest, BadPatternsAnswerAnErrorWithADescription) {
    for (const char* pattern : {"(unclosed", "[a-", "a{2,1}", "*start", "\\", "(?<name"}) {
        auto result = RegularExpression::compile(pattern);
        auto* error = std::get_if<RegularExpression::Error>(&result);
        ASSERT_NE(error, nullptr) << pattern;
        EXPECT_EQ(error->localizedDescription, "The value \u201c" + std::string(pattern) + "\u201d is invalid.");
        EXPECT_FALSE(error->failureReason.empty());
        EXPECT_NE(error->code, 0);
    }
    auto unclosed = RegularExpression::compile("ab(c");
    EXPECT_EQ(std::get<RegularExpression::Error>(unclosed).failureReason,
              "U_REGEX_MISMATCHED_PAREN at offset 4");
}

TEST(RegularExpressionTest, TheEmailPatternAcceptsTheRangeFromFullStopToUnderscore) {
    const auto email = compiled("[A-Z0-9a-z.-_]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,3}");
    EXPECT_EQ(countInWholeText(email, "jane.doe@example.com"), 1u);
    EXPECT_EQ(countInWholeText(email, "write to jane@example.org today"), 1u);  // not anchored
    EXPECT_EQ(countInWholeText(email, "a/b:c[d]^e@example.com"), 1u);
    EXPECT_EQ(countInWholeText(email, "-@example.com"), 0u);  // the hyphen is not in the range
    EXPECT_EQ(countInWholeText(email, "jane@example"), 0u);
    EXPECT_EQ(countInWholeText(email, "a@b.de, c@d.fr"), 2u);
    // Without the option the letter classes are case-sensitive; with it they are not.
    EXPECT_EQ(countInWholeText(compiled("^[a-z]+$"), "ABC"), 0u);
    EXPECT_EQ(countInWholeText(compiled("^[a-z]+$", RegularExpression::caseInsensitive), "ABC"), 1u);
    EXPECT_EQ(countInWholeText(compiled("a.b", RegularExpression::ignoreMetacharacters), "axb a.b"), 1u);
}

TEST(RegularExpressionTest, RangesAreInUtf16UnitsAndLimitTheSearch) {
    const auto word = compiled("\\w+");
    // The emoji takes two UTF-16 units and four UTF-8 bytes.
    const std::string text = "\U0001F600 one M\u00e4rz three";
    EXPECT_EQ(utf16Length(text), 17u);
    EXPECT_EQ(word.numberOfMatches(text, NSRange{0, 17}), 3u);
    EXPECT_EQ(word.firstMatch(text, NSRange{0, 17}), (NSRange{3, 3}));
    EXPECT_EQ(word.firstMatch(text, NSRange{5, 12}), (NSRange{5, 1}));  // cut inside "one"
    EXPECT_EQ(word.firstMatch(text, NSRange{7, 10}), (NSRange{7, 4}));  // "März": 4 units
    EXPECT_EQ(word.numberOfMatches(text, NSRange{7, 4}), 1u);
    EXPECT_EQ(word.numberOfMatches(text, NSRange{0, 6}), 1u);
    EXPECT_EQ(word.numberOfMatches(text, NSRange{0, 0}), 0u);
    // Ranges past the end are cut at the end of the text rather than read out of bounds.
    EXPECT_EQ(word.numberOfMatches(text, NSRange{12, 1000}), 1u);
    EXPECT_EQ(word.numberOfMatches(text, NSRange{1000, 5}), 0u);
    EXPECT_EQ(word.numberOfMatches(text, NSRange{static_cast<std::size_t>(-1), 2}), 0u);
    EXPECT_EQ(word.firstMatch(text, NSRange{1000, 5}), std::nullopt);
    // Anchors hold at the edges of the range, as on the platform.
    EXPECT_EQ(compiled("^three$").numberOfMatches(text, NSRange{12, 5}), 1u);
    // Empty matches are counted once per position and do not loop.
    EXPECT_EQ(compiled("x*").numberOfMatches("ab", NSRange{0, 2}), 3u);
}

TEST(RegularExpressionTest, OneExpressionIsUsableFromManyThreads) {
    const auto digits = compiled("[0-9]+");
    std::vector<std::thread> threads;
    std::vector<std::size_t> counts(4);
    for (std::size_t t = 0; t < counts.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                counts[t] += countInWholeText(digits, "1 22 333 x 4444");
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (std::size_t count : counts) {
        EXPECT_EQ(count, 800u);
    }
}

}  // namespace
