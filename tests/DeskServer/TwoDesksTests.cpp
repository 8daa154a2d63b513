#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "support/Desk/DeskProcess.h"
#include "support/Desk/Stores.h"
#include "support/Desk/WireClient.h"
#include "support/Postgres/TwoDesksOnOneDatabase.h"

namespace velmaro::deskserver {
namespace {

using namespace wire_client;
using testing_desk::StoreKind;
using testing_postgres::PostgresCluster;

// Two velmaro-desk processes on one PostgreSQL database, reached over the wire: a customer on
// desk A, the agent on desk B.
class TwoDesks : public ::testing::TestWithParam<StoreKind> {
protected:
    void SetUp() override {
        if (!desks.available()) GTEST_SKIP() << testing_desk::StorePlace::kUnavailable;
        a = desks.port(0);
        b = desks.port(1);
        ASSERT_NE(a, 0);
        ASSERT_NE(b, 0);
        auto registered = post(a, "/v1/users", {{"userName", "sam"}});
        sam = registered.body.value("token", "");
        alex = post(b, "/v1/agent/sessions", {{"email", "alex@acme.example"}, {"password", "correct horse"}})
                   .body.value("token", "");
        id = post(a, "/v1/conversations", {{"description", "Two desks"}}, sam).body.value("id", "");
        ASSERT_FALSE(sam.empty() || alex.empty() || id.empty());
    }

    // Reads the chat's message events until `last`; finally, also what comes within a moment
    // after (a read that gives up leaves the socket unusable).
    static std::vector<std::int64_t> offsetsUntil(Socket& chat, std::int64_t last, bool finally = true) {
        std::vector<std::int64_t> offsets;
        while (offsets.empty() || offsets.back() < last) {
            auto frame = chat.read();
            if (!frame) break;
            if ((*frame).contains("offset") && (*frame)["type"] != "CONNECTED" &&
                (*frame)["type"] != "SEND_MESSAGE_RESPONSE")
                offsets.push_back((*frame)["offset"]);
        }
        if (finally)
            if (auto extra = chat.read(200ms)) ADD_FAILURE() << "more than asked: " << *extra;
        return offsets;
    }
    static std::vector<std::int64_t> range(std::int64_t from, std::int64_t to) {
        std::vector<std::int64_t> all;
        for (auto i = from; i <= to; ++i) all.push_back(i);
        return all;
    }

    testing_postgres::TwoDesksOnOneDatabase desks;
    unsigned short a = 0, b = 0;
    std::string sam, alex, id;
};

// The customer on A and the agent on B chat live both ways: each hears every entry once, in
// order, and the agent's live socket on B hears the customer's messages sent through A.
TEST_P(TwoDesks, ACustomerOnOneDeskAndAnAgentOnTheOtherChatLive) {
    Socket chat, live;
    ASSERT_EQ(chat.open(a, "/v1/conversations/" + id + "/chat?after=1", sam), 101);
    ASSERT_EQ((*chat.read())["type"], "CONNECTED");
    ASSERT_EQ(live.open(b, "/v1/agent/live", alex), 101);
    // What B's live socket is told, until it is told `text`.
    std::multiset<std::string> told;
    auto liveHears = [&](const std::string& text) {
        while (auto frame = live.readType("MESSAGE")) {
            told.insert((*frame)["message"]["message"].get<std::string>());
            if ((*frame)["message"]["message"] == text) return true;
        }
        return false;
    };
    std::multiset<std::string> said;
    for (int round = 0; round < 5; ++round) {
        const std::string question = "question " + std::to_string(round), answer = "answer " + std::to_string(round);
        chat.sendJson({{"type", "send"}, {"message", question}});
        ASSERT_TRUE(liveHears(question)) << round;
        EXPECT_EQ(post(b, "/v1/agent/conversations/" + id + "/messages", {{"message", answer}}, alex).status, 201);
        said.insert({question, answer});
    }
    EXPECT_EQ(offsetsUntil(chat, 11), range(2, 11));
    // Read as they came in the open chat, though written through the other desk.
    EXPECT_EQ(get(b, "/v1/conversations/" + id, sam).body["unseenActivityCount"], 0);
    EXPECT_TRUE(liveHears("answer 4"));
    while (auto frame = live.read(200ms)) EXPECT_NE((*frame)["type"], "MESSAGE") << "told twice: " << *frame;
    EXPECT_EQ(told, said) << "each once";
    EXPECT_EQ(get(b, "/v1/agent/conversations/" + id + "/messages", alex).body["lastOffset"], 11);
}

// Both desks append to one conversation at once (the customer through A, the agent through B):
// offsets 1..N with no gap or repeat, and the customer's chat hears every one once, in order.
// Then desk A dies by SIGKILL in the middle of a stream: desk B has every message A confirmed.
TEST_P(TwoDesks, ConcurrentAppendsAreWholeAndAKilledDeskLosesNothingItConfirmed) {
    constexpr int kCustomer = 80, kAgent = 40;
    Socket chat;
    ASSERT_EQ(chat.open(a, "/v1/conversations/" + id + "/chat?after=1", sam), 101);
    chat.read();
    std::thread agent([&] {
        for (int i = 0; i < kAgent; ++i)
            post(b, "/v1/agent/conversations/" + id + "/messages", {{"message", "agent " + std::to_string(i)}}, alex);
    });
    for (int i = 0; i < kCustomer; ++i)
        chat.sendJson({{"type", "send"}, {"message", "customer " + std::to_string(i)}, {"clientMessageId", "c" + std::to_string(i)}});
    agent.join();
    constexpr int kLast = 1 + kCustomer + kAgent;
    EXPECT_EQ(offsetsUntil(chat, kLast, false), range(2, kLast));
    auto stored = get(b, "/v1/conversations/" + id + "/messages?limit=1000", sam).body["messages"];
    ASSERT_EQ(stored.size(), std::size_t{kLast});
    for (int i = 0; i < kLast; ++i) EXPECT_EQ(stored[i]["offset"], i + 1);

    // Sends to A in rounds; A is killed while a round is on its way.
    std::map<std::string, std::int64_t> echoed;
    bool alive = true;
    for (int round = 0; round < 10 && alive; ++round) {
        for (int i = 0; i < 10; ++i) {
            const std::string n = std::to_string(round * 10 + i);
            chat.sendJson({{"type", "send"}, {"message", "late " + n}, {"clientMessageId", "l" + n}});
        }
        if (round == 4) ::kill(desks.desk(0).pid(), SIGKILL);  // started, so its pid is real
        for (int heard = 0; heard < 10;) {
            auto frame = chat.read(2s);
            if (!frame) {
                alive = false;
                break;
            }
            if ((*frame)["type"] != "RECEIVED_MESSAGE_RESPONSE") continue;
            echoed[(*frame)["message"]] = (*frame)["messageId"];
            ++heard;
        }
    }
    if (alive) ::kill(desks.desk(0).pid(), SIGKILL);
    EXPECT_EQ(desks.desk(0).wait(), 128 + SIGKILL);
    ASSERT_GE(echoed.size(), 40u);
    EXPECT_FALSE(alive) << "A answered after its death";
    auto after = get(b, "/v1/conversations/" + id + "/messages?limit=1000", sam).body["messages"];
    std::map<std::string, int> count;
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i]["offset"], static_cast<std::int64_t>(i + 1)) << "no gap";
        ++count[after[i]["message"].get<std::string>()];
    }
    for (const auto& [text, messageId] : echoed) {
        EXPECT_EQ(count[text], 1) << text;
        bool same = false;
        for (const auto& m : after) same = same || (m["message"] == text && m["messageId"] == messageId);
        EXPECT_TRUE(same) << text << " lost or changed its id";
    }
}

// What desk A hears of B depends on its listening connection: cut, it comes back, and the chat
// gets what B committed meanwhile, once.
TEST_P(TwoDesks, AChatCatchesUpWhenItsDeskLostTheOtherDesksNews) {
    Socket chat;
    ASSERT_EQ(chat.open(a, "/v1/conversations/" + id + "/chat?after=1", sam), 101);
    chat.read();
    EXPECT_EQ(post(b, "/v1/agent/conversations/" + id + "/messages", {{"message", "before"}}, alex).status, 201);
    EXPECT_EQ(offsetsUntil(chat, 2, false), range(2, 2));
    PostgresCluster::shared()->cutConnections("velmaro-desk listener");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(post(b, "/v1/agent/conversations/" + id + "/messages", {{"message", "meanwhile"}}, alex).status, 201);
    EXPECT_EQ(offsetsUntil(chat, 5), range(3, 5));
}

// Two desks starting at once on a database without agents make one first agent between them:
// one file is written, and its password opens a session on either desk.
TEST_P(TwoDesks, DesksStartingTogetherMakeOneFirstAgent) {
    const std::string url = PostgresCluster::shared()->freshDatabase();
    const auto folder = desks.folder();
    std::unique_ptr<testing_desk::DeskProcess> started[2];
    std::thread starting[2];
    for (int i = 0; i < 2; ++i)
        starting[i] = std::thread([&, i] {
            const std::string file = (folder / ("agent-" + std::to_string(i) + ".json")).string();
            started[i] = std::make_unique<testing_desk::DeskProcess>(
                url, "", (folder / "first.log").string(), "127.0.0.1:0", std::vector<std::string>{"--agent-file", file});
        });
    for (auto& thread : starting) thread.join();
    std::vector<std::string> written;
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(started[i]->port(), 0) << started[i]->firstLine();
        const auto file = folder / ("agent-" + std::to_string(i) + ".json");
        if (std::filesystem::exists(file)) written.push_back(file.string());
    }
    ASSERT_EQ(written.size(), 1u);
    std::ifstream in(written[0]);
    const auto agent = json::parse(in, nullptr, false);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(post(started[i]->port(), "/v1/agent/sessions",
                       {{"email", agent.value("email", "")}, {"password", agent.value("password", "")}})
                      .status,
                  201)
            << i;
}

INSTANTIATE_TEST_SUITE_P(Postgres, TwoDesks, ::testing::Values(StoreKind::postgres), testing_desk::storeKindName);

}  // namespace
}  // namespace velmaro::deskserver
