#include <gtest/gtest.h>

#include <set>

#include "NetworkCore/LiveLink.h"
#include "NetworkCoreTest.h"
#include "support/Browser/DeskOnLoopback.h"
#include "support/Browser/Http.h"

using namespace velmaro;
using namespace velmaro::testing_desk;
using namespace std::chrono_literals;

namespace {

std::string loopbackUrl(unsigned short port) { return "http://127.0.0.1:" + std::to_string(port); }

// Every Idempotency-Key a client sent, in order.
std::vector<std::string> idempotencyKeys(const std::string& sent) {
    std::vector<std::string> keys;
    for (auto at = sent.find("Idempotency-Key: "); at != std::string::npos; at = sent.find("Idempotency-Key: ", at + 1))
        keys.push_back(sent.substr(at + 17, 32));
    return keys;
}

// The first of two addresses does not serve the core. One that is gone (refused, or its answer
// lost) is left for the second, which gets the same request under the same key, so nothing is
// created twice, and keeps the core from then on. One that answers, even with a 500, is kept.
// Both gone: the usual error, in bounded time.
TEST_F(NetworkCoreTest, AFirstAddressThatFailsIsLeftOnlyWhenItIsGone) {
    BrokenDesk failing("HTTP/1.1 500 Internal\r\nContent-Length: 3\r\n\r\nugh");
    struct Case {
        const char* name;
        enum { refused, answerLost, serverError, bothRefused } first;
        const char* error;  // empty: the core works on the second address
    };
    const Case cases[] = {
        {"refused from the start", Case::refused, ""},
        {"the answer lost on the way back", Case::answerLost, ""},
        {"a desk answering 500", Case::serverError, "HTTP 500"},
        {"every address refused", Case::bothRefused, "cannot be reached"},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Proxy second(desk_.port());
        Proxy lossy(desk_.port());
        lossy.swallowAnswers(1);
        std::string first = loopbackUrl(velmaro::testing::freeLoopbackPort());
        if (c.first == Case::answerLost) first = lossy.url();
        if (c.first == Case::serverError) first = failing.url();
        const std::string secondUrl = c.first == Case::bothRefused ? loopbackUrl(velmaro::testing::freeLoopbackPort()) : second.url();
        auto core = coreOn({first, secondUrl});

        const std::string name = "ann" + std::to_string(++number) + "@acme.example";
        auto user = wait<UserModel>([&](auto done) { core->createEndUser(StringDictionary{{"userName", name}}, done); });
        if (*c.error) {
            EXPECT_FALSE(user.result);
            ASSERT_TRUE(user.error);
            EXPECT_EQ(user.error->kind, ServiceError::Kind::connection);
            EXPECT_NE(user.error->customDescription.find(c.error), std::string::npos) << user.error->customDescription;
            // Asked again, the same: a desk that answered is not left for another.
            auto scores = wait<std::vector<SatisfactionScoreModel>>([&](auto done) { core->getSatisfactionScores(done); });
            ASSERT_TRUE(scores.error);
            EXPECT_NE(scores.error->customDescription.find(c.error), std::string::npos);
            EXPECT_EQ(second.sentByClient(), "");
            continue;
        }
        // A second registration under that name would be refused as taken: success means once.
        ASSERT_TRUE(user.result) << (user.error ? user.error->customDescription : "");
        const auto secondKeys = idempotencyKeys(second.sentByClient());
        ASSERT_EQ(secondKeys.size(), 1u);
        if (c.first == Case::answerLost) {
            EXPECT_EQ(idempotencyKeys(lossy.sentByClient()), secondKeys);
        }

        // The core stays where it works: a conversation and its chat go to the second address.
        const std::size_t lossySent = lossy.sentByClient().size();
        const ConversationModel opened = open(*core, "Where am I");
        auto recorder = chat(*core, *user.result, opened.id);
        core->sendMessage("here");
        ASSERT_TRUE(recorder->waitUntil([&] { return recorder->count("CUSTOMER") == 1; }));
        EXPECT_EQ(customerTexts(opened.id), std::vector<std::string>{"here"});
        EXPECT_EQ(lossy.sentByClient().size(), lossySent);
        EXPECT_EQ(std::count(recorder->states_.begin(), recorder->states_.end(), "connected"), 1);
    }
}

// Each socket leaves an address that is gone on its own, without a request to show the way: the
// chat resumes on the next address, and the notices come through it.
TEST_F(NetworkCoreTest, EachSocketLeavesAnAddressThatIsGone) {
    int number = 0;
    for (const bool chatOpen : {true, false}) {
        SCOPED_TRACE(chatOpen ? "the chat" : "the notices");
        PushInbox inbox;
        auto first = std::make_unique<Proxy>(desk_.port());
        Proxy second(desk_.port());
        auto core = coreOn({first->url(), second.url()}, chatOpen ? nullptr : inbox.receiver());
        const UserModel user = registerUser(*core, "bo" + std::to_string(++number) + "@acme.example");
        const ConversationModel opened = open(*core, "Moving sockets");
        std::shared_ptr<Recorder> recorder;
        if (chatOpen) recorder = chat(*core, user, opened.id);
        first.reset();  // its connections cut, its address refused
        if (chatOpen) {
            ASSERT_TRUE(recorder->waitFor("connected", 2));
            core->sendMessage("on the second");
            ASSERT_TRUE(recorder->waitUntil([&] { return recorder->count("CUSTOMER") == 1; }));
        } else {
            auto push = inbox.waitForOne([&] { agentHttp_.agentSays(agent(), opened.id, "Hello again"); });
            ASSERT_TRUE(push);
            EXPECT_EQ(push->at("conversationId").string(), opened.id);
        }
        EXPECT_NE(second.sentByClient().find("Upgrade: websocket"), std::string::npos);
    }
}

// velmaro-desk programs on one SQLite file, one at a time: the file cannot be shared safely by
// two at once, so the second starts after the first is killed.
class DeskProgramsTest : public ::testing::Test {
protected:
    DeskProgramsTest() : folder_("several-desks"), database_((folder_.path() / "desk.db").string()) {}

    std::unique_ptr<velmaro::testing::DeskOnLoopback> startDesk(const std::string& name, unsigned short port = 0) {
        return std::make_unique<velmaro::testing::DeskOnLoopback>(VELMARO_DESK_PROGRAM, (folder_.path() / name).string(),
                                                          database_, "127.0.0.1:" + std::to_string(port));
    }
    static std::string agentToken(TestHttp& desk) {
        return desk
            .request("POST", "/v1/agent/sessions",
                     {{"email", velmaro::testing::DeskOnLoopback::kAgentEmail}, {"password", velmaro::testing::DeskOnLoopback::kAgentPassword}})
            .body.value("token", "");
    }

    ScratchFolder folder_;
    std::string database_;
};

// Desk A dies mid-chat (SIGKILL: no close frame, nothing said). Desk B, which the core knew from
// the start, comes up on the same database. The chat moves to B by itself: the customer's sends
// A never echoed reach the conversation once, in order, with the ids sendMessage answered; what
// the agent wrote on B meanwhile arrives once; the notices move too.
TEST_F(DeskProgramsTest, AChatOnAKilledDeskMovesToTheNextAndMissesNothing) {
    auto deskA = startDesk("a");
    const unsigned short portB = velmaro::testing::freeLoopbackPort();
    PushInbox inbox;
    auto core = coreOn({deskA->url(), loopbackUrl(portB)}, inbox.receiver());
    const UserModel ann = registerUser(*core, "ann@acme.example");
    const ConversationModel opened = open(*core, "Two desks");
    auto recorder = chat(*core, ann, opened.id);
    std::vector<double> sent{core->sendMessage("before")};
    ASSERT_TRUE(recorder->waitUntil([&] { return recorder->count("CUSTOMER") == 1; }));

    sent.push_back(core->sendMessage("in flight"));  // stored or not when A dies: once either way
    deskA->kill();
    ASSERT_TRUE(recorder->waitFor("disconnected"));
    sent.push_back(core->sendMessage("while no desk 1"));
    sent.push_back(core->sendMessage("while no desk 2"));

    auto deskB = startDesk("b", portB);
    TestHttp agentOnB(deskB->url());
    const std::string agent = agentToken(agentOnB);
    ASSERT_EQ(agentOnB.agentSays(agent, opened.id, "written on B"), 201);
    ASSERT_TRUE(recorder->waitFor("connected", 2));
    ASSERT_TRUE(recorder->waitUntil(
        [&] { return recorder->count("CUSTOMER") >= sent.size() && recorder->count("AGENT") >= 1; }))
        << recorder->count("CUSTOMER") << " echoes";

    std::vector<std::string> customerTexts;
    for (auto& message : agentOnB.messages(agent, opened.id))
        if (message.value("senderType", "") == "CUSTOMER") customerTexts.push_back(message.value("message", ""));
    EXPECT_EQ(customerTexts, (std::vector<std::string>{"before", "in flight", "while no desk 1", "while no desk 2"}));

    // Outside the chat, the agent's next words come as a push, through B.
    core->disconnectChat();
    ASSERT_TRUE(recorder->waitFor("disconnected", 2));
    auto push = inbox.waitForOne([&] { agentOnB.agentSays(agent, opened.id, "still there?"); });
    ASSERT_TRUE(push);
    EXPECT_EQ(push->at("conversationId").string(), opened.id);

    // Quiet now: nothing came twice.
    std::vector<double> echoed;
    for (auto& message : recorder->fromCustomer()) echoed.push_back(message.messageId);
    EXPECT_EQ(echoed, sent) << "each echo once, in order, with the id the send answered";
    EXPECT_EQ(recorder->count("AGENT"), 1u);
    std::set<double> ids;
    for (auto& message : recorder->messages_) EXPECT_TRUE(ids.insert(message.messageId).second) << message.message;
}

}  // namespace

namespace {

// A socket's attempt that nothing answered says its desk is gone; one the desk refused with a 5xx
// does not, so the core stays on a desk that is there.
TEST(LiveLinkDrop, OnlyADeskThatDidNotAnswerIsGone) {
    BrokenDesk failing("HTTP/1.1 503 Busy\r\nContent-Length: 0\r\n\r\n");
    const std::string failingPort = failing.url().substr(failing.url().rfind(':') + 1);
    const struct {
        const char* name;
        std::string port;
        bool gone;
    } cases[] = {
        {"refused", std::to_string(velmaro::testing::freeLoopbackPort()), true},
        {"answered 503", failingPort, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        net::io_context io;
        std::optional<bool> gone;
        std::shared_ptr<network::LiveLink> link;
        network::LiveLink::Callbacks callbacks;
        callbacks.endpoint = [&] { return network::LiveLink::Endpoint{"127.0.0.1", c.port}; };
        callbacks.target = [] { return std::string("/v1/users/me/notices"); };
        callbacks.dropped = [&](bool deskGone) {
            gone = deskGone;
            link->stop();
        };
        link = std::make_shared<network::LiveLink>(io, network::LiveLink::Settings{}, callbacks);
        link->start();
        io.run_for(5s);
        EXPECT_EQ(gone, c.gone);
    }
}

}  // namespace
