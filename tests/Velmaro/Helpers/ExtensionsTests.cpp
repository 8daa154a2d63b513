#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"
#include "Velmaro/Helpers/Extensions.h"
#include "support/Platform/CurrentLocaleScope.h"

using namespace velmaro;

namespace {

TEST(JSONDescriptionTest, OrdinaryEntriesGiveOneLineEachWithCommasBetweenInIterationOrder) {
    EXPECT_EQ(JSONDescription({}), "{\n}");
    EXPECT_EQ(JSONDescription({{"name", "Acme"}}), "{\n\"name\" : \"Acme\"\n}");
    EXPECT_EQ(JSONDescription({{"a", "1"}, {"b", "2"}}), "{\n\"a\" : \"1\",\n\"b\" : \"2\"\n}");
}

TEST(JSONDescriptionTest, QuotesBackslashesAndControlCharactersAreEscapedIntoValidJSON) {
    StringDictionary dictionary{{"quote\"key", "say \"hi\""},
                                {"path", "C:\\temp"},
                                {"tricky", "a,\n}b\t\x01"}};
    std::string text = JSONDescription(dictionary);
    auto parsed = nlohmann::json::parse(text);  // throws if the text is not JSON
    for (const auto& [key, value] : dictionary) EXPECT_EQ(parsed.at(key), value) << key;
}

TEST(JSONDescriptionTest, AValueContainingTheClosingSequenceKeepsItsComma) {
    std::string text = JSONDescription({{"a", ",\n}"}, {"b", "x"}});
    EXPECT_EQ(text, "{\n\"a\" : \",\\n}\",\n\"b\" : \"x\"\n}");
}

}  // namespace

namespace {

class SharedDateFormattersTest : public ::testing::Test {
protected:
    CurrentLocaleScope localeScope{Locale("en_US"), TimeZone::utc()};
};

TEST_F(SharedDateFormattersTest, EachFormatterIsMadeOnceWithItsPattern) {
    EXPECT_EQ(&fullDateFormatter(), &fullDateFormatter());
    EXPECT_EQ(&conversationListFormat(), &conversationListFormat());
    EXPECT_EQ(&timeFormatter(), &timeFormatter());
    EXPECT_EQ(&chatListFormat(), &chatListFormat());

    auto date = fullDateFormatter().dateFromString("2017-03-14T08:26:53.120+0000");
    ASSERT_TRUE(date);
    EXPECT_DOUBLE_EQ(date->timeIntervalSince1970(), 1489480013.12);
    EXPECT_EQ(conversationListFormat().stringFromDate(*date), "14/03/17, 08:26");
    EXPECT_EQ(timeFormatter().stringFromDate(*date), "08:26");
    EXPECT_FALSE(fullDateFormatter().dateFromString("14/03/17, 08:26"));
}

TEST_F(SharedDateFormattersTest, OnlyTheChatListFormatKeepsTheLocaleItWasMadeIn) {
    const Locale madeIn = chatListFormat().locale();
    Locale::setCurrent(Locale(madeIn.identifier() == "de_DE" ? "fr_FR" : "de_DE"));
    EXPECT_EQ(chatListFormat().locale(), madeIn);
    EXPECT_EQ(timeFormatter().locale(), Locale::current());
    EXPECT_EQ(conversationListFormat().locale(), Locale::current());
    EXPECT_EQ(chatListFormat().dateFormat(), "dd. MMM yyyy.");
}

// Record dates are a fixed wire format: a device set to another calendar or to native digits
// must read the same instant and write the same text.
class WireDatesTest : public SharedDateFormattersTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WireDatesTest, AreReadAndWrittenInTheGregorianCalendarWhateverTheDevicesLocale) {
    Locale::setCurrent(Locale(GetParam()));
    auto date = fullDateFormatter().dateFromString("2017-03-14T08:26:53.120+0000");
    ASSERT_TRUE(date);
    EXPECT_DOUBLE_EQ(date->timeIntervalSince1970(), 1489480013.12);
    EXPECT_EQ(fullDateFormatter().stringFromDate(*date), "2017-03-14T08:26:53.120+0000");
    // The display formats still follow the device.
    EXPECT_EQ(conversationListFormat().locale(), Locale(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(DeviceLocales, WireDatesTest,
                         ::testing::Values("th_TH@calendar=buddhist", "fa_IR@calendar=persian",
                                           "ja_JP@calendar=japanese", "ar_EG", "en_US"));

TEST_F(SharedDateFormattersTest, LocalizedTimestampIsNowInMediumDateAndShortTime) {
    Locale::setCurrent(Locale("de_DE"));
    const Date before = Date::now();
    const std::string stamp = localizedTimestamp();
    const Date after = Date::now();
    auto expected = [](Date date) {
        return DateFormatter::localizedStringFromDate(date, DateFormatter::Style::mediumStyle,
                                                      DateFormatter::Style::shortStyle);
    };
    // The minute may turn between the two readings.
    EXPECT_TRUE(stamp == expected(before) || stamp == expected(after)) << stamp;
    EXPECT_NE(stamp.find(':'), std::string::npos);
}

}  // namespace
