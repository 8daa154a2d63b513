#include <gtest/gtest.h>

#include "Demo/DemoCommandLine.h"

namespace {

using Mode = DemoCommandLine::Mode;

TEST(DemoCommandLine, ErrorsNameWhatWasWrong) {
    const struct {
        std::vector<std::string> arguments;
        const char* error;
    } cases[] = {
        {{"--colour"}, "unknown option --colour"},
        {{"--interactive", "extra"}, "unknown option extra"},
        {{"--user"}, "--user needs a value"},
        {{"--first", "Sam", "--token"}, "--token needs a value"},
        {{"--snapshots"}, "--snapshots needs a folder"},
        {{"--snapshots", ""}, "--snapshots needs a folder"},
        {{"--chaos"}, "--chaos needs a seed"},
        {{"--window", "--pace"}, "--pace needs seconds from 0 to 60"},
        {{"--pace", "-1"}, "--pace needs seconds from 0 to 60"},
        {{"--pace", "2s"}, "--pace needs seconds from 0 to 60"},
        {{"--pace", "61"}, "--pace needs seconds from 0 to 60"},
        {{"--scale"}, "--scale needs 1, 2 or 3 pixels a point"},
        {{"--scale", "0.5"}, "--scale needs 1, 2 or 3 pixels a point"},
        {{"--chaos", "-1"}, "--chaos needs an unsigned whole number, not \"-1\""},
        {{"--chaos", "12x"}, "--chaos needs an unsigned whole number, not \"12x\""},
        {{"--chaos", ""}, "--chaos needs an unsigned whole number, not \"\""},
        {{"--chaos", "18446744073709551616"}, "--chaos needs an unsigned whole number, not \"18446744073709551616\""},
    };
    for (const auto& bad : cases) {
        auto line = DemoCommandLine::parse(bad.arguments);
        EXPECT_EQ(line.error, bad.error) << bad.arguments.front();
    }
}

TEST(DemoCommandLine, ModesAndWhatTheyCarry) {
    auto tour = DemoCommandLine::parse({});
    EXPECT_FALSE(tour.error);
    EXPECT_EQ(tour.mode, Mode::tour);
    EXPECT_EQ(tour.options.snapshotFolder, std::filesystem::path("build/demo"));
    EXPECT_EQ(tour.options.scale, 2);  // as a phone of this size draws
    EXPECT_EQ(DemoCommandLine::parse({"--scale", "1"}).options.scale, 1);

    EXPECT_FALSE(DemoCommandLine::parse({"--no-snapshots"}).options.snapshotFolder);
    auto chosen = DemoCommandLine::parse({"--snapshots", "/tmp/pictures", "--chaos", "18446744073709551615"});
    EXPECT_EQ(chosen.options.snapshotFolder, std::filesystem::path("/tmp/pictures"));
    EXPECT_EQ(chosen.options.chaosSeed, 18446744073709551615u);

    auto interactive = DemoCommandLine::parse({"--interactive", "--user", "sam@acme.example"});
    EXPECT_EQ(interactive.mode, Mode::interactive);
    EXPECT_EQ(interactive.options.userParameters, (StringDictionary{{"userName", "sam@acme.example"}}));
    EXPECT_FALSE(interactive.options.snapshotFolder);

    auto once = DemoCommandLine::parse({"--user-name-required", "--first", "Sam"});
    EXPECT_EQ(once.mode, Mode::once);
    EXPECT_TRUE(once.options.userNameRequired);
    auto window = DemoCommandLine::parse({"--window", "--pace", "0.5"});
    EXPECT_TRUE(window.window);
    EXPECT_EQ(window.mode, Mode::tour);
    EXPECT_EQ(window.pace, 0.5);
    EXPECT_FALSE(DemoCommandLine::parse({}).window);
    EXPECT_EQ(DemoCommandLine::parse({"--interactive", "--window"}).mode, Mode::interactive);
    EXPECT_EQ(DemoCommandLine::parse({"--colour", "-h"}).error, "unknown option --colour");
    EXPECT_EQ(DemoCommandLine::parse({"-h", "--colour"}).mode, Mode::help);
}

}  // namespace
