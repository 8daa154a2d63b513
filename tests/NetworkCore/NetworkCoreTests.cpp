#include <gtest/gtest.h>

#include <sys/socket.h>

#include <set>

#include "NetworkCoreTest.h"

using namespace velmaro;
using namespace velmaro::testing_desk;
using namespace std::chrono_literals;

namespace {

// Every operation of the interface reaches the desk and comes back as the layer's records; a
// refusal comes back as the desk's own words.
TEST_F(NetworkCoreTest, OperationsRoundTripThroughTheDesk) {
    auto core = makeCore(desk_.url());
    auto config = core->loadConfig();
    ASSERT_TRUE(config);
    EXPECT_EQ(config->tenantId, "acme");
    EXPECT_EQ(config->primaryColor, RGBAColor(1, 0, 0, 1));

    const UserModel ann = registerUser(*core, "ann@acme.example");
    EXPECT_EQ(core->loadUser(), ann);
    auto renamed = wait<UserModel>([&](auto done) { core->updateUser({{"firstName", "Ann"}}, done); });
    ASSERT_TRUE(renamed.result);
    EXPECT_EQ(renamed.result->firstName, "Ann");
    auto authenticated = wait<bool>([&](auto done) {
        core->authenticateUser(ann, [done](bool ok, std::optional<ServiceError> error) { done(ok, error); });
    });
    EXPECT_EQ(authenticated.result, true);

    const ConversationModel opened = open(*core, "The kettle leaks");
    EXPECT_EQ(opened.subject, "The kettle leaks");
    EXPECT_EQ(opened.status, "OPEN");
    auto list = wait<std::vector<ConversationModel>>([&](auto done) { core->getAllConversations(std::nullopt, done); });
    ASSERT_TRUE(list.result);
    ASSERT_EQ(list.result->size(), 1u);
    EXPECT_EQ(list.result->front().id, opened.id);

    ASSERT_EQ(agentHttp_.agentSays(agent(), opened.id, "On it"), 201);
    auto unseen = wait<std::vector<ConversationModel>>(
        [&](auto done) { core->getAllConversations(StringDictionary{{"onlyUnseen", "true"}}, done); });
    ASSERT_TRUE(unseen.result);
    ASSERT_EQ(unseen.result->size(), 1u);
    auto seen = wait<ConversationModel>([&](auto done) { core->setConversationSeen(opened.id, done); });
    ASSERT_TRUE(seen.result);
    EXPECT_EQ(seen.result->unseenActivityCount, 0);
    auto whole = wait<ConversationModel>([&](auto done) { core->getConversation(opened.id, done); });
    ASSERT_TRUE(whole.result);
    EXPECT_EQ(whole.result->agentName, "Alex");
    ASSERT_FALSE(whole.result->activities.empty());
    EXPECT_EQ(whole.result->activities.back().contents.front().text, "On it");

    auto scores = wait<std::vector<SatisfactionScoreModel>>([&](auto done) { core->getSatisfactionScores(done); });
    ASSERT_TRUE(scores.result);
    ASSERT_FALSE(scores.result->empty());
    auto rated = wait<ConversationModel>(
        [&](auto done) { core->sendConversationScore(opened.id, scores.result->back().id, done); });
    ASSERT_TRUE(rated.result);
    EXPECT_EQ(rated.result->status, "CLOSED");

    // Refusals: the desk's detail, of the kind the layer acts on.
    auto missing = wait<ConversationModel>([&](auto done) { core->getConversation("no-such-conversation", done); });
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->kind, ServiceError::Kind::notFound);
    EXPECT_FALSE(missing.error->customDescription.empty());
    auto empty = wait<ConversationModel>(
        [&](auto done) { core->createConversation(StringDictionary{{"description", ""}}, done); });
    ASSERT_TRUE(empty.error);
    EXPECT_EQ(empty.error->customDescription, "Please describe your problem to open a conversation");
    auto badScore = wait<ConversationModel>([&](auto done) { core->sendConversationScore(opened.id, "MEH", done); });
    ASSERT_TRUE(badScore.error);
    EXPECT_EQ(badScore.error->kind, ServiceError::Kind::invalidRequest);

    core->clearUserDetails(ann);
    EXPECT_FALSE(core->loadUser());
}

// Nobody signed in: the device's conversations belong to a walk-in customer the core registers
// once, however many requests need it at the same time.
TEST_F(NetworkCoreTest, AWalkInCustomerIsRegisteredOnce) {
    auto core = makeCore(desk_.url());
    std::vector<std::future<Outcome<ConversationModel>>> opening;
    for (int i = 0; i < 4; ++i)
        opening.push_back(std::async(std::launch::async, [&, i] {
            return wait<ConversationModel>([&](auto done) {
                core->createConversation(StringDictionary{{"description", "Question " + std::to_string(i)}}, done);
            });
        }));
    for (auto& future : opening) EXPECT_TRUE(future.get().result);
    auto list = wait<std::vector<ConversationModel>>([&](auto done) { core->getAllConversations(std::nullopt, done); });
    ASSERT_TRUE(list.result);
    EXPECT_EQ(list.result->size(), 4u) << "every conversation under one walk-in";
    EXPECT_FALSE(core->loadUser());
}

// The desk's answer is lost on the way back: the core tries again with the same key, and the
// desk creates nothing twice.
TEST_F(NetworkCoreTest, ARetryAfterALostAnswerCreatesNothingTwice) {
    Proxy proxy(desk_.port());
    auto core = makeCore(proxy.url());
    registerUser(*core, "ann@acme.example");
    proxy.swallowAnswers(1);
    const ConversationModel opened = open(*core, "Lost answer");
    auto list = wait<std::vector<ConversationModel>>([&](auto done) { core->getAllConversations(std::nullopt, done); });
    ASSERT_TRUE(list.result);
    ASSERT_EQ(list.result->size(), 1u);
    EXPECT_EQ(list.result->front().id, opened.id);
    // Two requests went out for it, under one key.
    const std::string sent = proxy.sentByClient();
    std::vector<std::string> keys;
    for (auto at = sent.find("Idempotency-Key: "); at != std::string::npos; at = sent.find("Idempotency-Key: ", at + 1))
        keys.push_back(sent.substr(at + 17, 32));
    ASSERT_EQ(keys.size(), 3u);  // the user, and the conversation twice
    EXPECT_EQ(keys[1], keys[2]);
    EXPECT_NE(keys[0], keys[1]);
}

// Tokens travel only in the Authorization header: never in a request line, a socket's upgrade
// included.
TEST_F(NetworkCoreTest, TokensStayOutOfAddresses) {
    Proxy proxy(desk_.port());
    auto core = makeCore(proxy.url(), [](const AnyDictionary&) {});
    const UserModel ann = registerUser(*core, "ann@acme.example");
    const ConversationModel opened = open(*core, "Where is my token");
    auto recorder = chat(*core, ann, opened.id);
    core->disconnectChat();
    ASSERT_TRUE(recorder->waitFor("disconnected"));
    const std::string sent = proxy.sentByClient();
    std::size_t authorizations = 0, upgrades = 0;
    for (std::size_t start = 0; start < sent.size();) {
        auto end = sent.find("\r\n", start);
        if (end == std::string::npos) break;
        const std::string line = sent.substr(start, end - start);
        if (line.rfind("Authorization: Bearer ", 0) == 0) ++authorizations;
        if (line.rfind("Upgrade: websocket", 0) == 0) ++upgrades;
        if (line.rfind("GET ", 0) == 0 || line.rfind("POST ", 0) == 0 || line.rfind("PATCH ", 0) == 0) {
            EXPECT_EQ(line.find("token"), std::string::npos) << line;
        }
        start = end + 2;
    }
    EXPECT_GE(upgrades, 1u);
    EXPECT_GE(authorizations, 1u + upgrades) << "every upgrade carries the header";
}

// A desk that answers garbage, a 500 or nothing at all: an error with words, in bounded time.
TEST(NetworkCoreBrokenDesk, GarbageServerErrorsAndSilenceBecomeErrors) {
    struct Case {
        const char* name;
        std::string answer;  // empty: accept and say nothing
        const char* expected;
    };
    const Case cases[] = {
        {"garbage", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\n{not json", "cannot be read"},
        {"problem", "HTTP/1.1 500 Internal\r\nContent-Type: application/problem+json\r\nContent-Length: 48\r\n\r\n"
                    "{\"title\":\"Broken\",\"detail\":\"the disk is full!!\"}", "The disk is full!!"},
        {"bare 500", "HTTP/1.1 500 Internal\r\nContent-Length: 3\r\n\r\nugh", "HTTP 500"},
        {"silence", "", "cannot be reached"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BrokenDesk broken(c.answer);
        NetworkCore::Options options;
        options.deskUrl = broken.url();
        options.requestTimeout = 300ms;
        options.retryDelay = 10ms;
        NetworkCore core(options);
        auto scores = wait<std::vector<SatisfactionScoreModel>>([&](auto done) { core.getSatisfactionScores(done); });
        EXPECT_FALSE(scores.result);
        ASSERT_TRUE(scores.error);
        EXPECT_EQ(scores.error->kind, ServiceError::Kind::connection);
        EXPECT_NE(scores.error->customDescription.find(c.expected), std::string::npos) << scores.error->customDescription;
        EXPECT_FALSE(core.loadConfig());
    }
}

// The live chat through a link that is cut, stalled and slowed: every message reaches the desk
// once and in order, and its echo comes back once, with the identity sendMessage answered.
TEST_F(NetworkCoreTest, ChatThroughABadLinkLosesAndDoublesNothing) {
    Proxy proxy(desk_.port());
    auto core = makeCore(proxy.url());
    const UserModel ann = registerUser(*core, "ann@acme.example");
    const ConversationModel opened = open(*core, "A bad line");
    auto recorder = chat(*core, ann, opened.id);

    std::vector<double> ids;
    std::vector<std::string> texts;
    for (int i = 0; i < 30; ++i) {
        texts.push_back("message " + std::to_string(i));
        ids.push_back(core->sendMessage(texts.back()));
        switch (i % 10) {
        case 1: proxy.swallowAnswers(1); break;  // the send arrives, its answer is lost with the link
        case 3: proxy.cutAll(); break;
        case 5: proxy.setStalled(true); break;
        case 6: proxy.setStalled(false); break;
        case 7: proxy.setDelay(5ms); break;
        case 8: proxy.setDelay(0ms); break;
        case 9:
            proxy.cutAll();
            ASSERT_EQ(agentHttp_.agentSays(agent(), opened.id, "agent " + std::to_string(i)), 201);
            break;
        }
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_TRUE(recorder->waitUntil([&] { return recorder->count("CUSTOMER") >= ids.size() && recorder->count("AGENT") >= 3; }, 20s))
        << recorder->count("CUSTOMER") << " echoes";
    EXPECT_EQ(customerTexts(opened.id), texts);
    std::vector<double> echoed;
    for (auto& message : recorder->fromCustomer()) echoed.push_back(message.messageId);
    EXPECT_EQ(echoed, ids) << "each echo once, in order, with the id the send answered";
    EXPECT_GE(std::count(recorder->states_.begin(), recorder->states_.end(), "disconnected"), 3);
    // Agent messages: once each, ids apart from the customer's.
    std::set<double> all;
    for (auto& message : recorder->messages_) EXPECT_TRUE(all.insert(message.messageId).second) << message.message;
}

// The desk stops mid-chat and comes back over the same database: the chat hears it go, comes
// back by itself, and gets what the agent wrote before it was back.
TEST_F(NetworkCoreTest, ADeskRestartedMidChatMissesNothing) {
    auto core = makeCore(desk_.url());
    const UserModel ann = registerUser(*core, "ann@acme.example");
    const ConversationModel opened = open(*core, "Restart");
    auto recorder = chat(*core, ann, opened.id);
    core->sendMessage("before");
    ASSERT_TRUE(recorder->waitUntil([&] { return recorder->count("CUSTOMER") == 1; }));
    const std::string agentToken = agent();

    desk_.stop();
    ASSERT_TRUE(recorder->waitFor("disconnected"));
    // Refused while it is down: no socket, the field stays off. Sent while the link is merely
    // down, a message waits for it.
    const double waiting = core->sendMessage("while down");
    desk_.start();
    ASSERT_EQ(agentHttp_.agentSays(agentToken, opened.id, "written meanwhile"), 201);
    ASSERT_TRUE(recorder->waitFor("connected", 2));
    ASSERT_TRUE(recorder->waitUntil([&] { return recorder->count("AGENT") == 1 && recorder->count("CUSTOMER") == 2; }));
    EXPECT_EQ(recorder->fromCustomer().back().messageId, waiting);
    EXPECT_EQ(customerTexts(opened.id), (std::vector<std::string>{"before", "while down"}));
}

// Sends outside a connected chat are refused as the chat screen expects; sends not echoed when
// the chat ends still reach the conversation, once.
TEST_F(NetworkCoreTest, SendsOutsideAChatAreRefusedAndUnechoedOnesKept) {
    Proxy proxy(desk_.port());
    auto core = makeCore(proxy.url());
    const UserModel ann = registerUser(*core, "ann@acme.example");
    const ConversationModel opened = open(*core, "Refusals");
    auto recorder = std::make_shared<Recorder>();
    core->configureChat("acme", ann.id, opened.id, recorder);
    core->sendMessage("too early");
    ASSERT_TRUE(recorder->waitFor("error: The chat is not connected; the message was not sent"));

    core->connectChat(std::nullopt);
    ASSERT_TRUE(recorder->waitFor("connected"));
    proxy.setStalled(true);
    core->sendMessage("stuck");
    std::this_thread::sleep_for(20ms);
    core->disconnectChat();
    ASSERT_TRUE(recorder->waitFor("disconnected"));
    proxy.setStalled(false);
    for (int i = 0; i < 100 && customerTexts(opened.id).size() < 1; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(customerTexts(opened.id), std::vector<std::string>{"stuck"});

    auto other = std::make_shared<Recorder>();
    core->configureChat("acme", ann.id, "no-such-conversation", other);
    core->connectChat(std::nullopt);
    EXPECT_TRUE(other->waitUntil([&] {
        return std::any_of(other->states_.begin(), other->states_.end(), [](auto& s) { return s.rfind("error: ", 0) == 0; });
    }));
}

// An agent writes while the user's chat is closed: a running host gets the payload its push
// handling takes.
TEST_F(NetworkCoreTest, AnAgentMessageOutsideTheChatBecomesAPushPayload) {
    PushInbox inbox;
    auto core = makeCore(desk_.url(), inbox.receiver());
    registerUser(*core, "ann@acme.example");
    const ConversationModel opened = open(*core, "Tell me later");
    auto push = inbox.waitForOne([&] { ASSERT_EQ(agentHttp_.agentSays(agent(), opened.id, "Any news?"), 201); });
    ASSERT_TRUE(push);
    EXPECT_EQ(push->at("conversationId").string(), opened.id);
    EXPECT_EQ(push->at("message").string(), "Any news?");
}

}  // namespace
