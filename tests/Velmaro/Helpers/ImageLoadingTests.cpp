#include <gtest/gtest.h>

#include "Velmaro/Helpers/ImageLoading.h"

namespace {

std::string addressOf(const std::string& text) {
    auto url = imageURLFromString(text);
    return url ? url->absoluteString() : "<none>";
}

TEST(ImageURLFromStringTest, EncodesWhatAFragmentDoesNotAllowButNotExistingEscapes) {
    EXPECT_EQ(addressOf("https://cdn.example.com/a b/é.png?x=1&y=@"),
              "https://cdn.example.com/a%20b/%C3%A9.png?x=1&y=@");
    // Already encoded: kept as it is, whatever the case of its hex digits.
    EXPECT_EQ(addressOf("https://cdn.example.com/a%20b/%c3%a9.png"), "https://cdn.example.com/a%20b/%c3%a9.png");
    // A percent sign that starts no escape is still encoded, also at the very end.
    EXPECT_EQ(addressOf("https://h/100%.png"), "https://h/100%25.png");
    EXPECT_EQ(addressOf("https://h/%zz%2"), "https://h/%25zz%252");
    EXPECT_EQ(addressOf("https://h/a%20b c%"), "https://h/a%20b%20c%25");
    EXPECT_EQ(addressOf("https://h/logo.png#top"), "https://h/logo.png%23top");
}

TEST(ImageURLFromStringTest, NoAddressForAnAbsentOrEmptyText) {
    EXPECT_FALSE(imageURLFromString(std::nullopt));
    EXPECT_FALSE(imageURLFromString(std::string()));
}

}  // namespace
