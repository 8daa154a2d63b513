#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Foundation/DateFormatter.h"

namespace {

constexpr double kMarch14 = 1489480013.0;   // 2017-03-14 08:26:53 UTC
constexpr double kJuly1 = 1498910400.0;     // 2017-07-01 12:00:00 UTC
constexpr double kDstNight = 1490488200.0;  // 2017-03-26 00:30:00 UTC, Berlin switches at 01:00

// Each test runs with a known current locale and time zone, and leaves them as it found them.
class DateFormatterTest : public ::testing::Test {
protected:
    void SetUp() override {
        Locale::setCurrent(Locale("en_US"));
        TimeZone::setCurrent(berlin());
    }
    void TearDown() override {
        Locale::setCurrent(savedLocale_);
        TimeZone::setCurrent(savedZone_);
    }
    static TimeZone berlin() { return *TimeZone::named("Europe/Berlin"); }
    static TimeZone newYork() { return *TimeZone::named("America/New_York"); }

private:
    Locale savedLocale_ = Locale::current();
    TimeZone savedZone_ = TimeZone::current();
};

TEST_F(DateFormatterTest, FullDateFormatParsesOnlyTextThatMatchesTheWholePattern) {
    DateFormatter formatter("yyyy-MM-dd'T'HH:mm:ss.SSSZ");
    EXPECT_EQ(formatter.dateFromString("2017-03-14T09:26:53.000+0100"), Date(kMarch14));
    EXPECT_EQ(formatter.dateFromString("2017-03-14T08:26:53.000+0000"), Date(kMarch14));
    EXPECT_EQ(formatter.dateFromString("2017-03-14T04:26:53.000-0400"), Date(kMarch14));
    EXPECT_DOUBLE_EQ(formatter.dateFromString("2017-03-14T09:26:53.250+0100")->timeIntervalSince1970(),
                     kMarch14 + 0.25);

    for (const char* text : {"2017-03-14T09:26:53+0100",       // no milliseconds
                             "2017-03-14T09:26:53.000",        // no zone
                             "2017-03-14 09:26:53.000+0100",   // blank for the literal T
                             "2017-03-14T09:26:53.000+0100 ",  // trailing text
                             " 2017-03-14T09:26:53.000+0100", "\u00a02017-03-14T09:26:53.000+0100",
                             "2017-03-14T 09:26:53.000+0100", "2017-03-14T09:26:53.000 +0100",
                             "2017-03-14", "",
                             "2017-02-30T09:26:53.000+0100",   // no such day
                             "2017-03-14T25:26:53.000+0100", "not a date"}) {
        EXPECT_EQ(formatter.dateFromString(text), std::nullopt) << text;
    }
}

// A parsed millisecond is stored as the nearest binary fraction, often just below it; formatting
// must not truncate it to the millisecond before.
TEST_F(DateFormatterTest, ParsedDatesFormatBackToTheSameText) {
    DateFormatter formatter("yyyy-MM-dd'T'HH:mm:ss.SSSZ");
    formatter.setTimeZone(*TimeZone::named("UTC"));
    for (const char* text : {"2004-03-05T14:07:09.123+0000", "2017-03-14T08:26:53.001+0000",
                             "1969-12-31T23:59:59.999+0000", "2099-12-31T23:59:58.007+0000",
                             "8024-03-05T14:07:09.123+0000", "1970-01-01T00:00:00.000+0000"}) {
        const auto date = formatter.dateFromString(text);
        ASSERT_TRUE(date) << text;
        EXPECT_EQ(formatter.stringFromDate(*date), text);
    }
    // A fraction longer than any date has is refused, not handed to ICU (which stops the program).
    auto withFraction = [](const std::string& digits) {
        std::string text = "2017-03-14T08:26:53.";
        text += digits;
        text += "+0000";
        return text;
    };
    EXPECT_EQ(formatter.dateFromString(withFraction("25")), Date(kMarch14 + 0.25));
    EXPECT_EQ(formatter.dateFromString(withFraction("555555")), Date(kMarch14 + 0.555));
    for (int digits : {33, 40, 200}) EXPECT_EQ(formatter.dateFromString(withFraction(std::string(digits, '1'))), std::nullopt);
    // A moment between milliseconds still shows the one it is in.
    EXPECT_EQ(formatter.stringFromDate(Date(kMarch14 + 0.0125)), "2017-03-14T08:26:53.012+0000");
    EXPECT_EQ(formatter.stringFromDate(Date(kMarch14 - 0.0005)), "2017-03-14T08:26:52.999+0000");
}

TEST_F(DateFormatterTest, ZoneOffsetFormsFollowTheTimeZoneAndDaylightSavingTime) {
    DateFormatter formatter("yyyy-MM-dd'T'HH:mm:ss.SSSZ");
    EXPECT_EQ(formatter.stringFromDate(Date(kMarch14)), "2017-03-14T09:26:53.000+0100");
    EXPECT_EQ(formatter.stringFromDate(Date(kJuly1)), "2017-07-01T14:00:00.000+0200");
    formatter.setTimeZone(newYork());
    EXPECT_EQ(formatter.stringFromDate(Date(kMarch14)), "2017-03-14T04:26:53.000-0400");
    formatter.setTimeZone(TimeZone::utc());
    EXPECT_EQ(formatter.stringFromDate(Date(kMarch14)), "2017-03-14T08:26:53.000+0000");
    formatter.setTimeZone(TimeZone::forSecondsFromGMT(5 * 3600 + 30 * 60));
    EXPECT_EQ(formatter.stringFromDate(Date(kMarch14)), "2017-03-14T13:56:53.000+0530");

    DateFormatter extended("HH:mm ZZZZZ");
    extended.setTimeZone(berlin());
    EXPECT_EQ(extended.stringFromDate(Date(kJuly1)), "14:00 +02:00");
    extended.setTimeZone(TimeZone::utc());
    EXPECT_EQ(extended.stringFromDate(Date(kJuly1)), "12:00 Z");
    EXPECT_EQ(extended.dateFromString("12:00 Z")->timeIntervalSince1970(), 12 * 3600.0);
    EXPECT_EQ(extended.dateFromString("14:00 +02:00")->timeIntervalSince1970(), 12 * 3600.0);

    // Round trip through the text keeps milliseconds in every zone.
    DateFormatter full("yyyy-MM-dd'T'HH:mm:ss.SSSZ");
    for (const TimeZone& zone : {berlin(), newYork(), TimeZone::utc()}) {
        full.setTimeZone(zone);
        const Date date(kJuly1 + 0.125);
        EXPECT_EQ(full.dateFromString(full.stringFromDate(date)), date) << zone.identifier();
    }
}

TEST_F(DateFormatterTest, MonthNamesAndWallClockComeFromLocaleAndTimeZone) {
    DateFormatter chatList("dd. MMM yyyy.");
    chatList.setLocale(Locale("en_US"));
    EXPECT_EQ(chatList.stringFromDate(Date(kMarch14 - 11 * 86400)), "03. Mar 2017.");
    chatList.setLocale(Locale("de_DE"));
    EXPECT_EQ(chatList.stringFromDate(Date(kMarch14 - 11 * 86400)), "03. M\u00e4rz 2017.");
    EXPECT_EQ(chatList.stringFromDate(Date(kJuly1)), "01. Juli 2017.");
    EXPECT_EQ(chatList.dateFromString("03. M\u00e4rz 2017."), Date(1488495600.0));  // Berlin midnight
    EXPECT_EQ(chatList.dateFromString("03. Mar 2017."), std::nullopt);
    EXPECT_EQ(chatList.dateFromString("03. 03 2017."), std::nullopt);  // no numbers for names

    // The same instant falls on different days in Berlin and New York.
    DateFormatter list("dd/MM/yy, HH:mm");
    const Date lateEvening(1489532400.0);  // 2017-03-14 23:00 UTC
    EXPECT_EQ(list.stringFromDate(lateEvening), "15/03/17, 00:00");
    list.setTimeZone(newYork());
    EXPECT_EQ(list.stringFromDate(lateEvening), "14/03/17, 19:00");
    EXPECT_EQ(list.dateFromString("14/03/17, 19:00"), lateEvening);

    // Berlin skips from 02:00 to 03:00 on 26 March: no such wall time exists in between, and
    // 02:30 on 29 October, which happens twice, is the first one (summer time).
    DateFormatter time("HH:mm");
    EXPECT_EQ(time.stringFromDate(Date(kDstNight)), "01:30");
    EXPECT_EQ(time.stringFromDate(Date(kDstNight + 3600)), "03:30");
    list.setTimeZone(berlin());
    EXPECT_EQ(list.dateFromString("26/03/17, 01:30"), Date(kDstNight));
    EXPECT_EQ(list.dateFromString("26/03/17, 02:30"), std::nullopt);
    EXPECT_EQ(list.dateFromString("26/03/17, 03:30"), Date(kDstNight + 3600));
    EXPECT_EQ(list.dateFromString("29/10/17, 02:30"), Date(1509240600.0));
}

TEST_F(DateFormatterTest, BlanksAreAcceptedOnlyWhereThePatternCanHaveThem) {
    DateFormatter list("dd/MM/yy, HH:mm");
    EXPECT_TRUE(list.dateFromString("14/03/17, 09:26"));
    EXPECT_FALSE(list.dateFromString("14/03/17,09:26"));
    EXPECT_FALSE(list.dateFromString(" 14/03/17, 09:26"));
    DateFormatter names("EEEE, d. MMMM yyyy");
    names.setLocale(Locale("en_US"));
    EXPECT_EQ(names.dateFromString("Tuesday, 14. March 2017"), Date(1489446000.0));
    DateFormatter zoneName("HH:mm zzzz");  // a zone name with blanks in a pattern without any
    zoneName.setLocale(Locale("en_US"));
    EXPECT_EQ(zoneName.stringFromDate(Date(kMarch14)), "09:26 Central European Standard Time");
    EXPECT_TRUE(zoneName.dateFromString("09:26 Central European Standard Time"));
    DateFormatter noBlanks("HH'h'mm");
    EXPECT_TRUE(noBlanks.dateFromString("09h26"));
    EXPECT_FALSE(noBlanks.dateFromString("09h 26"));
    DateFormatter quoted("HH' 'mm");
    EXPECT_TRUE(quoted.dateFromString("09 26"));
}

TEST_F(DateFormatterTest, UnsetLocaleAndTimeZoneFollowTheCurrentOnesSetOnesStay) {
    DateFormatter follows("dd. MMM yyyy. HH:mm");
    DateFormatter fixed("dd. MMM yyyy. HH:mm");
    fixed.setLocale(Locale("en_US"));
    fixed.setTimeZone(berlin());
    EXPECT_EQ(follows.stringFromDate(Date(kMarch14)), "14. Mar 2017. 09:26");
    EXPECT_EQ(follows.locale(), Locale("en_US"));

    Locale::setCurrent(Locale("de_DE"));
    TimeZone::setCurrent(newYork());
    EXPECT_EQ(follows.stringFromDate(Date(kMarch14)), "14. M\u00e4rz 2017. 04:26");
    EXPECT_EQ(follows.timeZone(), newYork());
    EXPECT_EQ(fixed.stringFromDate(Date(kMarch14)), "14. Mar 2017. 09:26");

    follows.setLocale(Locale("en_US"));
    follows.setLocale(std::nullopt);  // back to following
    EXPECT_EQ(follows.stringFromDate(Date(kMarch14)), "14. M\u00e4rz 2017. 04:26");
}

TEST_F(DateFormatterTest, LocalizedStringUsesTheStylesOfTheCurrentLocale) {
    Locale::setCurrent(Locale("de_DE"));
    using Style = DateFormatter::Style;
    EXPECT_EQ(DateFormatter::localizedStringFromDate(Date(kMarch14), Style::mediumStyle, Style::shortStyle),
              "14.03.2017, 09:26");
    EXPECT_EQ(DateFormatter::localizedStringFromDate(Date(kMarch14), Style::shortStyle, Style::noStyle),
              "14.03.17");
    EXPECT_EQ(DateFormatter::localizedStringFromDate(Date(kMarch14), Style::noStyle, Style::noStyle), "");
    Locale::setCurrent(Locale("en_US"));
    TimeZone::setCurrent(newYork());
    EXPECT_EQ(DateFormatter::localizedStringFromDate(Date(kMarch14), Style::mediumStyle, Style::noStyle),
              "Mar 14, 2017");
    EXPECT_EQ(DateFormatter::localizedStringFromDate(Date(kMarch14), Style::noStyle, Style::shortStyle),
              "4:26\u202fAM");

    DateFormatter styled;
    styled.setDateStyle(Style::longStyle);
    styled.setLocale(Locale("de_DE"));
    EXPECT_EQ(styled.stringFromDate(Date(kMarch14)), "14. M\u00e4rz 2017");
    styled.setDateFormat("yyyy");
    EXPECT_EQ(styled.stringFromDate(Date(kMarch14)), "2017");
    EXPECT_EQ(DateFormatter().stringFromDate(Date(kMarch14)), "");
}

TEST_F(DateFormatterTest, OneSharedFormatterFormatsAndParsesFromManyThreads) {
    DateFormatter shared("yyyy-MM-dd'T'HH:mm:ss.SSSZ");
    DateFormatter following("dd. MMM yyyy.");  // rebuilt while threads use it
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                const Date date(kMarch14 + t * 86400.0 * 40 + i * 3600.5);
                const auto parsed = shared.dateFromString(shared.stringFromDate(date));
                if (parsed != date) {
                    ++wrong;
                }
                const std::string day = following.stringFromDate(Date(kJuly1));
                if (day != "01. Jul 2017." && day != "01. Juli 2017.") {
                    ++wrong;
                }
            }
        });
    }
    for (int i = 0; i < 50; ++i) {
        Locale::setCurrent(Locale(i % 2 ? "en_US" : "de_DE"));
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
