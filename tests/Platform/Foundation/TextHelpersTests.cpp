#include <gtest/gtest.h>

#include "Foundation/TextHelpers.h"

namespace {

TEST(TextHelpersTest, Utf16LengthCountsSurrogatePairsAsTwo) {
    EXPECT_EQ(utf16Length(""), 0u);
    EXPECT_EQ(utf16Length("abc"), 3u);
    EXPECT_EQ(utf16Length("M\u00e4rz"), 4u);   // two-byte sequence, one unit
    EXPECT_EQ(utf16Length("\u20ac"), 1u);        // three-byte sequence, one unit
    EXPECT_EQ(utf16Length("a\U0001F600b"), 4u);  // four-byte sequence, a surrogate pair
    EXPECT_EQ(utf16Length("a\xff" "b"), 3u);     // an invalid byte is one replacement character
}

TEST(TextHelpersTest, UserPerceivedCharactersAreGraphemeClusters) {
    EXPECT_EQ(userPerceivedCharacterCount(""), 0u);
    EXPECT_EQ(userPerceivedCharacterCount("hello"), 5u);
    EXPECT_EQ(userPerceivedCharacterCount("   "), 3u);  // blanks are characters
    EXPECT_EQ(userPerceivedCharacterCount("e\u0301"), 1u);  // e + combining acute
    EXPECT_EQ(userPerceivedCharacterCount("caf\u00e9 cafe\u0301"), 9u);
    EXPECT_EQ(userPerceivedCharacterCount("\U0001F600"), 1u);
    EXPECT_EQ(userPerceivedCharacterCount("\U0001F44D\U0001F3FD"), 1u);  // skin tone modifier
    EXPECT_EQ(userPerceivedCharacterCount("\U0001F1E9\U0001F1EA\U0001F1FA\U0001F1F8"), 2u);  // flags
    // family: man ZWJ woman ZWJ girl
    EXPECT_EQ(userPerceivedCharacterCount("\U0001F468\u200D\U0001F469\u200D\U0001F467"), 1u);
    EXPECT_EQ(userPerceivedCharacterCount("\r\n"), 1u);
    EXPECT_EQ(userPerceivedCharacterCount("hi \U0001F44B!"), 5u);
}

TEST(TextHelpersTest, TrimmingRemovesUnicodeWhiteSpaceAndLineBreaksAtBothEndsOnly) {
    EXPECT_EQ(trimmingWhitespaceAndNewlines("  hello world \t"), "hello world");
    EXPECT_EQ(trimmingWhitespaceAndNewlines("\n\r\nline\n"), "line");
    EXPECT_EQ(trimmingWhitespaceAndNewlines("\u00a0no-break\u00a0"), "no-break");
    EXPECT_EQ(trimmingWhitespaceAndNewlines("\u3000ideographic\u3000"), "ideographic");
    EXPECT_EQ(trimmingWhitespaceAndNewlines("\u2028\u2029\u0085x\u200a\u000b\u000c"), "x");
    EXPECT_EQ(trimmingWhitespaceAndNewlines(" \u3000 \n"), "");
    EXPECT_EQ(trimmingWhitespaceAndNewlines(""), "");
    EXPECT_EQ(trimmingWhitespaceAndNewlines("a \u00a0 b"), "a \u00a0 b");
    // the zero-width space counts too, so a message of only zero-width spaces is empty;
    // non-ASCII letters at the ends are kept whole
    EXPECT_EQ(trimmingWhitespaceAndNewlines("\u200bx\u200b"), "x");
    EXPECT_EQ(trimmingWhitespaceAndNewlines("\u200b\u200b \u200b"), "");
    EXPECT_EQ(trimmingWhitespaceAndNewlines("a\u200bb"), "a\u200bb");
    EXPECT_EQ(trimmingWhitespaceAndNewlines(" \u00e4\U0001F600 "), "\u00e4\U0001F600");
    EXPECT_EQ(trimmingWhitespaceAndNewlines(" \xff "), "\xff");
}

TEST(TextHelpersTest, PercentEncodingKeepsTheFragmentSetAndEncodesEverythingElseFromUtf8) {
    const std::string kept =
        "abcxyzABCXYZ0189-._~!$&'()*+,;=:@/?";
    EXPECT_EQ(addingPercentEncodingForURLFragment(kept), kept);
    EXPECT_EQ(addingPercentEncodingForURLFragment("https://x.example/a b/M\u00e4rz.png?q=1#top"),
              "https://x.example/a%20b/M%C3%A4rz.png?q=1%23top");
    // Existing escapes are encoded again.
    EXPECT_EQ(addingPercentEncodingForURLFragment("100%25 sure%"), "100%2525%20sure%25");
    EXPECT_EQ(addingPercentEncodingForURLFragment("\"<>[]\\^`{|}"),
              "%22%3C%3E%5B%5D%5C%5E%60%7B%7C%7D");
    EXPECT_EQ(addingPercentEncodingForURLFragment(std::string("\t\n\x7f\xff", 4)), "%09%0A%7F%FF");
    EXPECT_EQ(addingPercentEncodingForURLFragment(std::string("a\0b", 3)), "a%00b");
    EXPECT_EQ(addingPercentEncodingForURLFragment("\U0001F600"), "%F0%9F%98%80");
}

}  // namespace
