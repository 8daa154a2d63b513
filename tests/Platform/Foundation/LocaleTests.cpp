#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(LocaleTest, CurrentComesFromTheEnvironmentAndCanBeReplaced) {
    {
        ScopedEnvironment all("LC_ALL", nullptr);
        ScopedEnvironment lang("LANG", "de_DE.UTF-8");
        EXPECT_EQ(Locale::fromEnvironment().identifier(), "de_DE");
    }
    {
        ScopedEnvironment all("LC_ALL", "fr_FR@euro");
        ScopedEnvironment lang("LANG", "de_DE.UTF-8");
        EXPECT_EQ(Locale::fromEnvironment().identifier(), "fr_FR");
    }
    {
        ScopedEnvironment all("LC_ALL", nullptr);
        ScopedEnvironment lang("LANG", "C.UTF-8");
        EXPECT_EQ(Locale::fromEnvironment().identifier(), "en_US_POSIX");
    }
    const Locale before = Locale::current();
    Locale::setCurrent(Locale("de_DE"));
    EXPECT_EQ(Locale::current().identifier(), "de_DE");
    Locale::setCurrent(before);
    EXPECT_EQ(Locale::current(), before);
}

TEST(TimeZoneTest, NamedZonesKnowTheirOffsetsIncludingDaylightSavingTime) {
    const Date winter(1489480013.0);  // 2017-03-14 08:26:53 UTC
    const Date summer(1498910400.0);  // 2017-07-01 12:00:00 UTC
    auto berlin = TimeZone::named("Europe/Berlin");
    auto newYork = TimeZone::named("America/New_York");
    ASSERT_TRUE(berlin && newYork);
    EXPECT_EQ(berlin->identifier(), "Europe/Berlin");
    EXPECT_EQ(berlin->secondsFromGMT(winter), 3600);
    EXPECT_EQ(berlin->secondsFromGMT(summer), 7200);
    EXPECT_FALSE(berlin->isDaylightSavingTime(winter));
    EXPECT_TRUE(berlin->isDaylightSavingTime(summer));
    // New York had already switched on 12 March.
    EXPECT_EQ(newYork->secondsFromGMT(winter), -4 * 3600);
    EXPECT_EQ(TimeZone::utc().secondsFromGMT(summer), 0);
    EXPECT_EQ(TimeZone::utc().identifier(), "UTC");

    EXPECT_FALSE(TimeZone::named("Mars/Olympus_Mons"));
    EXPECT_FALSE(TimeZone::named(""));

    const TimeZone fixed = TimeZone::forSecondsFromGMT(-(3 * 3600 + 30 * 60));
    EXPECT_EQ(fixed.identifier(), "GMT-0330");
    EXPECT_EQ(fixed.secondsFromGMT(summer), -(3 * 3600 + 30 * 60));
    EXPECT_FALSE(fixed.isDaylightSavingTime(summer));
}

TEST(TimeZoneTest, CurrentComesFromTZAndCanBeReplaced) {
    {
        ScopedEnvironment tz("TZ", "America/New_York");
        EXPECT_EQ(TimeZone::fromEnvironment().identifier(), "America/New_York");
    }
    {
        ScopedEnvironment tz("TZ", ":Europe/Berlin");
        EXPECT_EQ(TimeZone::fromEnvironment().identifier(), "Europe/Berlin");
    }
    {
        ScopedEnvironment tz("TZ", "");
        EXPECT_EQ(TimeZone::fromEnvironment().identifier(), "UTC");
    }
    const TimeZone before = TimeZone::current();
    TimeZone::setCurrent(*TimeZone::named("Asia/Tokyo"));
    EXPECT_EQ(TimeZone::current().identifier(), "Asia/Tokyo");
    TimeZone::setCurrent(before);
    EXPECT_EQ(TimeZone::current(), before);
}

}  // namespace
