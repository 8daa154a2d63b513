#include <gtest/gtest.h>

#include <set>

#include "NetworkCoreTest.h"
#include "support/Desk/Stores.h"
#include "support/Postgres/TwoDesksOnOneDatabase.h"

using namespace velmaro;
using namespace velmaro::testing_desk;

namespace {

class DesksOnPostgresTest : public ::testing::TestWithParam<StoreKind> {};

// A customer on desk A and an agent on desk B chat live on one PostgreSQL. Desk A dies by SIGKILL
// mid-chat, while the agent goes on writing on B. The customer's core, which knew both addresses,
// moves to B by itself and misses nothing: every send reaches the conversation once, in order,
// echoed with the id it was answered; every word of the agent's arrives once.
TEST_P(DesksOnPostgresTest, ACustomerWhoseDeskIsKilledMovesToTheAgentsDeskAndMissesNothing) {
    velmaro::testing_postgres::TwoDesksOnOneDatabase desks;
    if (!desks.available()) GTEST_SKIP() << StorePlace::kUnavailable;
    auto core = coreOn({desks.address(0), desks.address(1)});
    const UserModel ann = registerUser(*core, "ann@acme.example");
    const ConversationModel opened = open(*core, "Two desks, one database");
    auto recorder = chat(*core, ann, opened.id);
    TestHttp agentOnB(desks.address(1));
    const std::string agent = agentOnB.agentToken();
    ASSERT_FALSE(agent.empty());

    // Live across the desks, both ways.
    std::vector<double> sent{core->sendMessage("hello from A")};
    ASSERT_EQ(agentOnB.agentSays(agent, opened.id, "hello from B"), 201);
    ASSERT_TRUE(recorder->waitUntil([&] { return recorder->count("CUSTOMER") == 1 && recorder->count("AGENT") == 1; }));

    // A dies in the middle of a stream from both sides.
    sent.push_back(core->sendMessage("in flight 1"));
    ASSERT_EQ(agentOnB.agentSays(agent, opened.id, "as A dies"), 201);
    sent.push_back(core->sendMessage("in flight 2"));
    EXPECT_EQ(desks.desk(0).kill(SIGKILL), 128 + SIGKILL);
    sent.push_back(core->sendMessage("after A 1"));
    ASSERT_EQ(agentOnB.agentSays(agent, opened.id, "after A"), 201);
    sent.push_back(core->sendMessage("after A 2"));
    ASSERT_TRUE(recorder->waitFor("connected", 2));
    ASSERT_TRUE(recorder->waitUntil(
        [&] { return recorder->count("CUSTOMER") >= sent.size() && recorder->count("AGENT") >= 3; }))
        << recorder->count("CUSTOMER") << " echoes, " << recorder->count("AGENT") << " from the agent";
    // The socket is in offset order: once the agent's last word is in, anything twice would be too.
    ASSERT_EQ(agentOnB.agentSays(agent, opened.id, "last"), 201);
    ASSERT_TRUE(recorder->waitUntil([&] { return recorder->messages_.back().message == "last"; }));

    // The sends, stored once and in order (the agent's words fall between them as they came).
    std::vector<std::string> stored;
    for (auto& message : agentOnB.messages(agent, opened.id))
        if (message.value("senderType", "") == "CUSTOMER") stored.push_back(message.value("message", ""));
    EXPECT_EQ(stored, (std::vector<std::string>{"hello from A", "in flight 1", "in flight 2", "after A 1", "after A 2"}));
    std::vector<double> echoed;
    for (auto& message : recorder->fromCustomer()) echoed.push_back(message.messageId);
    EXPECT_EQ(echoed, sent) << "each echo once, in order, with the id the send answered";
    std::vector<std::string> heard;
    for (auto& message : recorder->messages_)
        if (message.senderType == "AGENT") heard.push_back(message.message);
    EXPECT_EQ(heard, (std::vector<std::string>{"hello from B", "as A dies", "after A", "last"}));
    std::set<double> ids;
    for (auto& message : recorder->messages_) EXPECT_TRUE(ids.insert(message.messageId).second) << message.message;
    core->disconnectChat();
}

INSTANTIATE_TEST_SUITE_P(Postgres, DesksOnPostgresTest, ::testing::Values(StoreKind::postgres), storeKindName);

}  // namespace
