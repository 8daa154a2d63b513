#include <gtest/gtest.h>

#include <filesystem>

#include "Foundation/TextHelpers.h"
#include "Foundation/URL.h"

namespace {

TEST(URLTest, ReadsTheComponentsOfAnAbsoluteURL) {
    auto url = URL::fromString("https://user:pw@cdn.example.com:8443/images/a%20b.png?size=2&x=%41#frag");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), "https://user:pw@cdn.example.com:8443/images/a%20b.png?size=2&x=%41#frag");
    EXPECT_EQ(url->scheme(), "https");
    EXPECT_EQ(url->host(), "cdn.example.com");
    EXPECT_EQ(url->port(), 8443);
    EXPECT_EQ(url->path(), "/images/a b.png");
    EXPECT_EQ(url->query(), "size=2&x=%41");
    EXPECT_EQ(url->fragment(), "frag");
    EXPECT_FALSE(url->isFileURL());

    auto plain = URL::fromString("http://example.com");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->host(), "example.com");
    EXPECT_EQ(plain->port(), std::nullopt);
    EXPECT_EQ(plain->path(), "");
    EXPECT_EQ(plain->query(), std::nullopt);

    auto ipv6 = URL::fromString("http://[::1]:8080/x");
    ASSERT_TRUE(ipv6);
    EXPECT_EQ(ipv6->host(), "::1");
    EXPECT_EQ(ipv6->port(), 8080);
}

TEST(URLTest, AcceptsRelativeReferencesAndOtherSchemes) {
    for (const char* text : {"relative/path", "/absolute/path", "?query", "#fragment", "//host/x",
                             "mailto:someone@example.com", "urn:isbn:0451450523", "x-y+z.1:opaque",
                             "http://example.com/?a=b?c#d/?e", "http://127.0.0.1/", "http://[v1.fe]/",
                             "http://host:/empty-port", "ftp://h/%7e%7E"}) {
        EXPECT_TRUE(URL::fromString(text)) << text;
    }
    EXPECT_FALSE(URL::fromString("relative/path")->scheme());
    EXPECT_EQ(URL::fromString("mailto:someone@example.com")->path(), "someone@example.com");
}

TEST(URLTest, RejectsTextThatIsNotAURL) {
    for (const char* text : {"", "http://example.com/a b", " http://example.com", "http://ex ample.com/",
                             "http://example.com/M\u00e4rz", "http://example.com/\"q\"", "http://x/<a>",
                             "http://x/a{b}", "http://x/a|b", "http://x/a\\b", "http://x/%", "http://x/%4",
                             "http://x/%zz", "http://x/?q=%g1", "http://x/#a#b", "1http://x", "ht_tp://x",
                             ":no-scheme", "-a:b", "http://[::1/", "http://[::1", "http://::1]/", "http://[zz]/",
                             "http://x/[a]", "http://x/?q=[a]", "http://[::1]x/", "http://x:port/", "http://x:99999/",
                             "http://a@b@c/", "http://x/\t", "http://x/\n"}) {
        EXPECT_FALSE(URL::fromString(text)) << text;
    }
}

TEST(URLTest, PercentEncodedFragmentTextAlwaysMakesAURL) {
    // The image loader encodes an address before making a URL of it: blanks and non-ASCII
    // letters must not make the address unusable.
    auto url = URL::fromString(addingPercentEncodingForURLFragment("https://x.example/M\u00e4rz 1.png"));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->path(), "/M\u00e4rz 1.png");
    // A "#" is encoded, so it does not start a fragment.
    EXPECT_EQ(URL::fromString(addingPercentEncodingForURLFragment("http://h/a#b"))->fragment(), std::nullopt);
}

TEST(URLTest, FileURLWithPathEscapesThePathAndResolvesRelativePaths) {
    auto url = URL::fileURLWithPath("/tmp/my images/M\u00e4rz%.png");
    EXPECT_EQ(url.absoluteString(), "file:///tmp/my%20images/M%C3%A4rz%25.png");
    EXPECT_TRUE(url.isFileURL());
    EXPECT_EQ(url.host(), std::nullopt);
    EXPECT_EQ(url.path(), "/tmp/my images/M\u00e4rz%.png");
    EXPECT_TRUE(URL::fromString("FILE:///x")->isFileURL());

    auto relative = URL::fileURLWithPath("data/a.json");
    EXPECT_EQ(relative.path(), (std::filesystem::current_path() / "data/a.json").string());
}

}  // namespace
