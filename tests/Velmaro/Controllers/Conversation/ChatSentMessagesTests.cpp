#include <gtest/gtest.h>

#include "support/Velmaro/ChatScreenTest.h"

using namespace velmaro;

namespace {

// A rebuilt timeline finds the user's messages in the desk's history: each sent message takes at
// most one row of it, never the row of an older message with the same text.

struct RepeatCase {
    const char* name;
    const char* firstEchoAt;                // the desk's time on the first "ok"'s echo
    std::vector<const char*> okRecordedAt;  // the "ok" rows of the reloaded history
    std::vector<std::string> mineAfter;     // the user's rows once rebuilt
};

void PrintTo(const RepeatCase& repeat, std::ostream* os) { *os << repeat.name; }

class ChatRepeatedTextTest : public ChatScreenTest, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(ChatRepeatedTextTest, TheSecondOkKeepsItsRowAndTheFirstStaysSeen) {
    auto chat = open();
    load();
    core().emitConnected();
    drain();
    const double first = send(*chat, "ok");
    echo("ok", first, GetParam().firstEchoAt);
    const double second = send(*chat, "ok");
    EXPECT_EQ(mine(*chat), (std::vector<std::string>{"Hello (seen)", "ok (seen)", "ok"}));

    coverAndUncover();
    auto later = acmeConversation();
    for (const char* when : GetParam().okRecordedAt) later.activities.push_back({{item("ok", "INBOUND", when)}});
    load(later);
    EXPECT_EQ(mine(*chat), GetParam().mineAfter);
    echo("ok", second, "2017-03-03T21:11:00.000+0000");
    EXPECT_EQ(mine(*chat), (std::vector<std::string>{"Hello (seen)", "ok (seen)", "ok (seen)"}));
}

INSTANTIATE_TEST_SUITE_P(
    Histories, ChatRepeatedTextTest,
    ::testing::Values(
        // The desk stamps the echo with the message's own time, or with a later one.
        RepeatCase{"echoStampedAsRecorded", "2017-03-03T21:09:00.000+0000", {"2017-03-03T21:09:00.000+0000"},
                   {"Hello (seen)", "ok (seen)", "ok"}},
        RepeatCase{"echoStampedLater", "2017-03-03T21:09:30.000+0000", {"2017-03-03T21:09:00.000+0000"},
                   {"Hello (seen)", "ok (seen)", "ok"}},
        // The desk has the second one too, though its echo is still out: seen.
        RepeatCase{"bothRecorded", "2017-03-03T21:09:00.000+0000",
                   {"2017-03-03T21:09:00.000+0000", "2017-03-03T21:10:00.000+0000"},
                   {"Hello (seen)", "ok (seen)", "ok (seen)"}}),
    [](const ::testing::TestParamInfo<RepeatCase>& param) { return std::string(param.param.name); });

// An "ok" the desk recorded before anything the screen had seen when the user sent theirs is
// another message: it shows in its place, and the user's stays last until its echo.
TEST_F(ChatScreenTest, AnOlderRowWithTheSameTextIsNotTheMessageJustSent) {
    auto chat = open();
    load();
    core().emitConnected();
    drain();
    const double sent = send(*chat, "ok");
    coverAndUncover();
    auto later = acmeConversation();
    later.activities.push_back({{item("ok", "INBOUND", "2017-03-03T21:05:00.000+0000")}});
    load(later);
    EXPECT_EQ(shown(*chat), (std::vector<std::string>{"day 03. Mar 2017.", "me ok", "me Hello",
                                                      "agent How can I help?", "me ok"}));
    EXPECT_EQ(mine(*chat), (std::vector<std::string>{"ok (seen)", "Hello (seen)", "ok"}));
    echo("ok", sent, "2017-03-03T21:11:00.000+0000");
    EXPECT_EQ(mine(*chat), (std::vector<std::string>{"ok (seen)", "Hello (seen)", "ok (seen)"}));
}

// The problem description goes with a connect, and counts as sent once that connect has
// connected: until then every connect takes it along, and its row stays first and unseen.

struct DescriptionCase {
    const char* name;
    std::function<void(RecordingCore&)> before;  // before the first load
    std::function<void(RecordingCore&)> afterFirstLoad;
    std::function<void(RecordingCore&)> beforeRebuild;
    std::optional<std::string> secondConnectCarries;  // none: no second connect
};

void PrintTo(const DescriptionCase& description, std::ostream* os) { *os << description.name; }

const std::function<void(RecordingCore&)> noStep = [](RecordingCore&) {};

class ChatDescriptionTest : public ChatScreenTest, public ::testing::WithParamInterface<DescriptionCase> {
public:
    static Config tenant() { return acmeConfig(); }
};

TEST_P(ChatDescriptionTest, TheDescriptionGoesAgainUntilAConnectTookIt) {
    GetParam().before(core());
    auto chat = open(acmeConversation(), "Printer");
    load();
    GetParam().afterFirstLoad(core());
    drain();
    GetParam().beforeRebuild(core());
    coverAndUncover();
    load();
    const auto connects = core().calls("connectChat");
    ASSERT_FALSE(connects.empty());
    EXPECT_EQ(connects.back().arguments.at("firstMessage").string(), GetParam().secondConnectCarries);
    EXPECT_EQ(shown(*chat), (std::vector<std::string>{"me Printer", "day 03. Mar 2017.", "me Hello",
                                                      "agent How can I help?"}));
    EXPECT_EQ(mine(*chat).front(), "Printer");

    // Its echo comes under an identity nobody waited for: it is the description's all the same.
    core().emitConnected();
    drain();
    echo("Printer", 77, "2017-03-03T21:09:00.000+0000");
    EXPECT_EQ(mine(*chat).front(), "Printer (seen)");
    // A copy of the echo that lost its type is still the same message.
    auto copy = RecordingCore::messageEvent("", "CUSTOMER", "Printer", 77);
    core().emitMessage(copy);
    drain();
    EXPECT_EQ(shown(*chat).size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    FirstConnects, ChatDescriptionTest,
    ::testing::Values(
        DescriptionCase{"noStoredUser",
                        [](RecordingCore& core) { core.setStoredUser(std::nullopt); }, noStep,
                        [](RecordingCore& core) {
                            core.setStoredUser(UserModel{"user-1", "Ann", "Lee", "", "ann@acme.example"});
                        },
                        "Printer"},
        DescriptionCase{"noConfiguration", [](RecordingCore& core) { core.setConfig(std::nullopt); }, noStep,
                        [](RecordingCore& core) { core.setConfig(ChatDescriptionTest::tenant()); }, "Printer"},
        DescriptionCase{"connectFailed", noStep,
                        [](RecordingCore& core) {
                            core.emitConnecting();
                            core.emitError("Unknown end user");
                        },
                        noStep, "Printer"},
        DescriptionCase{"connected", noStep,
                        [](RecordingCore& core) { core.emitConnected(); }, noStep, ""}),
    [](const ::testing::TestParamInfo<DescriptionCase>& param) { return std::string(param.param.name); });

}  // namespace
