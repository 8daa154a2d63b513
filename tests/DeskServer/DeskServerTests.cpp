#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "Desk/SqliteDeskStore.h"
#include "DeskServer/Beast.h"
#include "DeskServer/DeskServer.h"
#include "support/Desk/DeskProcess.h"
#include "support/Desk/WireClient.h"
#include "support/Desk/Stores.h"
#include "support/Platform/ScratchFolder.h"

namespace velmaro::deskserver {
namespace {

using namespace std::chrono_literals;
using testing_desk::DeskProcess;
using namespace wire_client;
using testing_desk::StoreKind;
using testing_desk::StorePlace;

// --- The fixture ------------------------------------------------------------------------------

// The same desk over the wire on each store (Sqlite/… and Postgres/…).
class DeskServerTest : public ::testing::TestWithParam<StoreKind> {
protected:
    DeskServerTest() {
        db_ = place_.location();
        tenant_ = (place_.folder() / "tenant.json").string();
        log_ = (place_.folder() / "desk.log").string();
        std::ofstream(tenant_) << json{{"tenantId", "acme"},
                                       {"name", "Acme"},
                                       {"primaryColor", "#48DFB2"},
                                       {"userNameRequired", false},
                                       {"agents", {{{"email", "alex@acme.example"},
                                                    {"name", "Alex"},
                                                    {"password", "correct horse"}}}}};
    }

    std::unique_ptr<DeskProcess> start() {
        auto desk = std::make_unique<DeskProcess>(db_, tenant_, log_);
        EXPECT_NE(desk->port(), 0) << desk->firstLine();
        return desk;
    }

    // A registered customer's token.
    std::string customer(unsigned short port, const std::string& name) {
        auto answer = post(port, "/v1/users", {{"userName", name}});
        EXPECT_EQ(answer.status, 201) << answer.body;
        return answer.body.value("token", "");
    }
    std::string agent(unsigned short port) {
        auto answer = post(port, "/v1/agent/sessions", {{"email", "alex@acme.example"}, {"password", "correct horse"}});
        EXPECT_EQ(answer.status, 201) << answer.body;
        return answer.body.value("token", "");
    }
    std::string conversation(unsigned short port, const std::string& token, const std::string& description) {
        auto answer = post(port, "/v1/conversations", {{"description", description}}, token);
        EXPECT_EQ(answer.status, 201) << answer.body;
        return answer.body.value("id", "");
    }
    std::string logText() {
        std::ifstream in(log_);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    void SetUp() override {
        if (!place_.available()) GTEST_SKIP() << StorePlace::kUnavailable;
    }

    StorePlace place_{GetParam()};
    std::string db_, tenant_, log_;
};

// What only a database in a file has: a folder beside it, a file that is not a database.
class DeskServerOnFile : public DeskServerTest {};

// The customer's whole road over the wire: register, open a conversation, chat live (the echo
// carries the id the send was answered with), hear the agent, the agent closes, the customer
// rates; a reconnect gets only what came after the offset it names.
TEST_P(DeskServerTest, TheCustomerFlowOverHttpAndWebSocket) {
    auto desk = start();
    const auto port = desk->port();
    EXPECT_EQ(get(port, "/v1/health").body["status"], "ok");
    EXPECT_EQ(get(port, "/v1/config").body["name"], "Acme");
    const std::string sam = customer(port, "sam@acme.example");
    EXPECT_EQ(get(port, "/v1/users/me", sam).body["userName"], "sam@acme.example");
    EXPECT_EQ(request(port, http::verb::patch, "/v1/users/me", json{{"firstName", "Sam"}}.dump(), sam).body["firstName"],
              "Sam");
    const std::string id = conversation(port, sam, "The kettle leaks");

    Socket chat;
    ASSERT_EQ(chat.open(port, "/v1/conversations/" + id + "/chat", sam), 101);
    EXPECT_EQ((*chat.read())["type"], "CONNECTED");
    EXPECT_EQ((*chat.read())["eventDescription"], "Conversation started");
    chat.sendJson({{"type", "send"}, {"message", "The kettle leaks"}, {"clientMessageId", "c-1"}});
    auto response = chat.read();
    ASSERT_TRUE(response);
    EXPECT_EQ((*response)["type"], "SEND_MESSAGE_RESPONSE");
    auto echo = chat.read();
    ASSERT_TRUE(echo);
    EXPECT_EQ((*echo)["type"], "RECEIVED_MESSAGE_RESPONSE");
    EXPECT_EQ((*echo)["senderType"], "CUSTOMER");
    EXPECT_EQ((*echo)["messageId"], (*response)["messageId"]);

    const std::string alex = agent(port);
    auto open = get(port, "/v1/agent/conversations?status=OPEN", alex);
    ASSERT_EQ(open.body["conversations"].size(), 1u);
    EXPECT_EQ(open.body["conversations"][0]["unseenByAgent"], 1);
    EXPECT_EQ(post(port, "/v1/agent/conversations/" + id + "/messages", {{"message", "Which model?"}}, alex).status, 201);
    auto answer = chat.read();
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)["senderType"], "AGENT");
    EXPECT_EQ((*answer)["message"], "Which model?");
    EXPECT_EQ(get(port, "/v1/conversations/" + id, sam).body["agentName"], "Alex");
    EXPECT_EQ(get(port, "/v1/conversations/" + id, sam).body["unseenActivityCount"], 0)
        << "an answer in an open chat is seen";

    EXPECT_EQ(post(port, "/v1/agent/conversations/" + id + "/close", json::object(), alex).status, 200);
    EXPECT_EQ((*chat.read())["type"], "INTERACTION_CLOSED_RESPONSE");
    auto scores = get(port, "/v1/scores").body["scores"];
    ASSERT_EQ(scores.size(), 5u);
    auto rated = post(port, "/v1/conversations/" + id + "/score", {{"scoreId", scores[4]["id"]}}, sam);
    EXPECT_EQ(rated.body["status"], "CLOSED");
    EXPECT_EQ(get(port, "/v1/agent/scores", alex).body["scores"][0]["scoreId"], "VERY_SATISFIED");

    // Back after offset 2: the agent's answer and the closing, once, in order.
    Socket again;
    ASSERT_EQ(again.open(port, "/v1/conversations/" + id + "/chat?after=2", sam), 101);
    EXPECT_EQ((*again.read())["offset"], 4);
    EXPECT_EQ((*again.read())["offset"], 3);
    EXPECT_EQ((*again.read())["offset"], 4);
    EXPECT_FALSE(again.read(200ms)) << "nothing more";
    EXPECT_NE(logText().find(R"("path":"/v1/conversations/)" + id + R"(/score","remote")"), std::string::npos);
}

// Two customers chat at once while the agent watches everything: each hears only their own
// conversation; the one whose chat is not open gets a notice instead.
TEST_P(DeskServerTest, TwoCustomersAndAnAgent) {
    auto desk = start();
    const auto port = desk->port();
    const std::string ann = customer(port, "ann"), bob = customer(port, "bob"), alex = agent(port);
    const std::string annChat = conversation(port, ann, "Ann's problem");
    const std::string bobChat = conversation(port, bob, "Bob's problem");

    Socket live, annSocket, bobNotices;
    ASSERT_EQ(live.open(port, "/v1/agent/live", alex), 101);
    ASSERT_EQ(annSocket.open(port, "/v1/conversations/" + annChat + "/chat?after=1", ann), 101);
    const auto bobTicket = post(port, "/v1/socket-tickets", json::object(), bob).body.value("ticket", "");
    ASSERT_EQ(bobNotices.open(port, "/v1/users/me/notices?ticket=" + bobTicket), 101);
    annSocket.read();  // CONNECTED

    annSocket.sendJson({{"type", "send"}, {"message", "from Ann"}});
    EXPECT_EQ(post(port, "/v1/conversations/" + bobChat + "/messages", {{"message", "from Bob"}}, bob).status, 201);
    post(port, "/v1/agent/conversations/" + bobChat + "/messages", {{"message", "to Bob"}}, alex);
    post(port, "/v1/agent/conversations/" + annChat + "/messages", {{"message", "to Ann"}}, alex);

    std::vector<std::string> annHeard;
    for (int i = 0; i < 3; ++i)
        if (auto frame = annSocket.read()) annHeard.push_back((*frame)["type"].get<std::string>() + ":" + (*frame).value("message", ""));
    EXPECT_EQ(annHeard, (std::vector<std::string>{"SEND_MESSAGE_RESPONSE:", "RECEIVED_MESSAGE_RESPONSE:from Ann",
                                                  "RECEIVED_MESSAGE_RESPONSE:to Ann"}));
    auto notice = bobNotices.read();
    ASSERT_TRUE(notice);
    EXPECT_EQ((*notice)["type"], "NEW_MESSAGE");
    EXPECT_EQ((*notice)["conversationId"], bobChat);
    EXPECT_EQ((*notice)["message"], "to Bob");
    EXPECT_FALSE(bobNotices.read(200ms)) << "no notice about a chat that is open, nor about Ann";

    std::multiset<std::string> seen;
    for (int i = 0; i < 4; ++i)
        if (auto frame = live.readType("MESSAGE")) seen.insert((*frame)["message"]["message"].get<std::string>());
    EXPECT_EQ(seen, (std::multiset<std::string>{"from Ann", "from Bob", "to Bob", "to Ann"}));
    EXPECT_EQ(get(port, "/v1/conversations", bob).body["conversations"][0]["unseenActivityCount"], 1);
    EXPECT_EQ(get(port, "/v1/conversations", ann).body["conversations"].size(), 1u);
}

// A missing or wrong token is 401, a token of the other side 403, another customer's
// conversation 404; the answers are problem documents and say why.
TEST_P(DeskServerTest, StrangersGetNothing) {
    auto desk = start();
    const auto port = desk->port();
    const std::string ann = customer(port, "ann"), eve = customer(port, "eve"), alex = agent(port);
    const std::string id = conversation(port, ann, "Private");
    post(port, "/v1/conversations/" + id + "/messages", {{"message", "my address is secret"}}, ann);

    struct Case {
        const char* name;
        http::verb method;
        std::string target;
        std::string token;
        int status;
    };
    const std::vector<Case> cases{
        {"no token", http::verb::get, "/v1/conversations", "", 401},
        {"wrong token", http::verb::get, "/v1/conversations", "not-a-token", 401},
        {"agent on the customer API", http::verb::get, "/v1/conversations", alex, 403},
        {"customer on the agent API", http::verb::get, "/v1/agent/conversations", ann, 403},
        {"no agent token", http::verb::get, "/v1/agent/conversations", "", 401},
        {"another's conversation", http::verb::get, "/v1/conversations/" + id, eve, 404},
        {"another's messages", http::verb::get, "/v1/conversations/" + id + "/messages", eve, 404},
        {"writing into another's", http::verb::post, "/v1/conversations/" + id + "/messages", eve, 404},
        {"marking another's seen", http::verb::post, "/v1/conversations/" + id + "/seen", eve, 404},
        {"rating another's", http::verb::post, "/v1/conversations/" + id + "/score", eve, 404},
        {"an id that is no id", http::verb::get, "/v1/conversations/..%2Fetc", ann, 400},
        {"unknown resource", http::verb::get, "/v1/nothing", ann, 404},
    };
    for (const auto& c : cases) {
        const std::string body = c.method == http::verb::post ? R"({"message":"x","scoreId":"NEUTRAL"})" : "";
        auto answer = request(port, c.method, c.target, body, c.token);
        EXPECT_EQ(answer.status, c.status) << c.name << ": " << answer.body;
        EXPECT_EQ(answer.contentType, "application/problem+json") << c.name;
        EXPECT_FALSE(answer.body.value("detail", "").empty()) << c.name;
        EXPECT_EQ(answer.body.dump().find("secret"), std::string::npos) << c.name;
        if (c.status == 401) {
            EXPECT_EQ(answer.authenticate, "Bearer") << c.name;
        }
    }
    Socket stranger, anonymous;
    EXPECT_EQ(stranger.open(port, "/v1/conversations/" + id + "/chat", eve), 404);
    EXPECT_EQ(anonymous.open(port, "/v1/conversations/" + id + "/chat"), 401);
    EXPECT_TRUE(get(port, "/v1/conversations", eve).body["conversations"].empty());
    EXPECT_EQ(get(port, "/v1/conversations/" + id + "/messages", ann).body["lastOffset"], 2) << "nothing stored";
}

// Bad input gets a 4xx naming the fault and stores nothing; a chat socket that sends a frame too
// big or not UTF-8 is closed with the code that says so.
TEST_P(DeskServerTest, BadInputIsRefusedByName) {
    auto desk = start();
    const auto port = desk->port();
    const std::string sam = customer(port, "sam");
    const std::string id = conversation(port, sam, "Help");
    const std::string messages = "/v1/conversations/" + id + "/messages";

    struct Case {
        const char* name;
        std::string body;
        int status;
        std::string field;
    };
    const std::vector<Case> cases{
        {"malformed JSON", R"({"message": )", 400, ""},
        {"not an object", R"(["message"])", 400, ""},
        {"too deep", std::string(40, '[') + std::string(40, ']'), 400, ""},
        {"invalid UTF-8", "{\"message\":\"caf\xC3\"}", 400, ""},
        {"a number for text", R"({"message": 7})", 400, "message"},
        {"no message", R"({})", 400, "message"},
        {"a message too long", json{{"message", std::string(4097, 'a')}}.dump(), 400, "message"},
        {"a body too large", json{{"message", std::string(70 * 1024, 'a')}}.dump(), 413, ""},
    };
    for (const auto& c : cases) {
        auto answer = request(port, http::verb::post, messages, c.body, sam);
        EXPECT_EQ(answer.status, c.status) << c.name << ": " << answer.body;
        if (!c.field.empty()) {
            EXPECT_EQ(answer.body.value("field", ""), c.field) << c.name;
        }
    }
    EXPECT_EQ(post(port, "/v1/conversations/" + id + "/score", {{"scoreId", "GREAT"}}, sam).body["field"], "scoreId");

    Socket chat;
    ASSERT_EQ(chat.open(port, "/v1/conversations/" + id + "/chat?after=1", sam), 101);
    chat.read();  // CONNECTED
    chat.send("{not json");
    auto error = chat.read();
    ASSERT_TRUE(error);
    EXPECT_EQ((*error)["type"], "ERROR");
    EXPECT_EQ((*error)["status"], 400);
    chat.sendJson({{"type", "send"}, {"message", "still here"}});
    EXPECT_EQ((*chat.read())["type"], "SEND_MESSAGE_RESPONSE") << "a bad frame does not end the chat";
    chat.read();
    chat.send(json{{"type", "send"}, {"message", std::string(20 * 1024, 'a')}}.dump());
    EXPECT_FALSE(chat.read());
    EXPECT_EQ(chat.closeCode(), 1009) << "too big";

    Socket broken;
    ASSERT_EQ(broken.open(port, "/v1/conversations/" + id + "/chat?after=9", sam), 101);
    broken.read();
    broken.send("{\"type\":\"send\",\"message\":\"\xFF\xFE\"}");
    EXPECT_FALSE(broken.read());
    EXPECT_EQ(broken.closeCode(), 1007) << "not UTF-8";

    EXPECT_EQ(get(port, messages, sam).body["lastOffset"], 2) << "only the good message was stored";
}

// Sends that arrive together are committed together: one the desk refuses among them gets its
// error and the others their responses and echoes, in the order sent, each stored once.
// Among them, blank ones the desk refuses and "poison" the database itself refuses (a trigger an
// administrator added): each is refused alone, and the sends committed with it are kept.
TEST_P(DeskServerTest, PipelinedSendsWithRefusalsAmongThem) {
    auto desk = start();
    const auto port = desk->port();
    ASSERT_TRUE(place_.executeFromOutside(
        GetParam() == StoreKind::sqlite
            ? "CREATE TRIGGER refuse_poison BEFORE INSERT ON messages WHEN NEW.text = 'poison' "
              "BEGIN SELECT RAISE(ABORT, 'poison'); END;"
            : "CREATE FUNCTION refuse_poison() RETURNS trigger AS $$ BEGIN IF NEW.text = 'poison' THEN "
              "RAISE EXCEPTION 'poison'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql; "
              "CREATE TRIGGER refuse_poison BEFORE INSERT ON messages FOR EACH ROW EXECUTE FUNCTION refuse_poison();"));
    const std::string sam = customer(port, "sam");
    const std::string id = conversation(port, sam, "Many at once");
    Socket chat;
    ASSERT_EQ(chat.open(port, "/v1/conversations/" + id + "/chat?after=1", sam), 101);
    chat.read();  // CONNECTED
    constexpr int kSends = 200;
    auto text = [](int i) { return i % 5 == 4 ? std::string(" ") : i % 10 == 2 ? "poison" : "m" + std::to_string(i); };
    auto kept = [&](int i) { return text(i)[0] == 'm'; };
    // Sent without waiting, most are committed in groups.
    for (int i = 0; i < kSends; ++i) chat.sendJson({{"type", "send"}, {"message", text(i)}});
    // Answers (a response or an error) in the order sent; echoes in that order too, each after
    // its own response.
    std::vector<std::string> answers, echoes;
    std::size_t responses = 0;
    int keptCount = 0;
    for (int i = 0; i < kSends; ++i) keptCount += kept(i);
    for (int i = 0; i < kSends + keptCount; ++i) {
        auto frame = chat.read();
        ASSERT_TRUE(frame) << "after " << answers.size() << " answers and " << echoes.size() << " echoes: "
                           << chat.closedBy.message();
        const std::string type = (*frame)["type"];
        if (type == "ERROR") answers.push_back("error");
        if (type == "SEND_MESSAGE_RESPONSE") {
            answers.push_back("response");
            ++responses;
        }
        if (type == "RECEIVED_MESSAGE_RESPONSE") {
            echoes.push_back((*frame)["message"]);
            EXPECT_LE(echoes.size(), responses) << "an echo before its response";
        }
    }
    std::vector<std::string> expectedAnswers, expectedEchoes;
    for (int i = 0; i < kSends; ++i) {
        expectedAnswers.push_back(kept(i) ? "response" : "error");
        if (kept(i)) expectedEchoes.push_back(text(i));
    }
    EXPECT_EQ(answers, expectedAnswers);
    EXPECT_EQ(echoes, expectedEchoes);
    EXPECT_EQ(get(port, "/v1/conversations/" + id + "/messages", sam).body["lastOffset"], 1 + keptCount);
}

// The desk dies by SIGKILL in the middle of a stream of sends. Started again on the same file,
// it has every message whose echo left it, each once; resending the rest with the same keys
// stores each once too.
TEST_P(DeskServerTest, KilledMidStreamKeepsEveryEchoedMessageOnce) {
    auto desk = start();
    const auto port = desk->port();
    const std::string sam = customer(port, "sam");
    const std::string id = conversation(port, sam, "Many messages");
    constexpr int kSends = 400, kKillAfter = 60;

    Socket chat;
    ASSERT_EQ(chat.open(port, "/v1/conversations/" + id + "/chat?after=1", sam), 101);
    chat.read();  // CONNECTED
    std::vector<std::string> frames;
    for (int i = 0; i < kSends; ++i)
        frames.push_back(json{{"type", "send"}, {"message", "m" + std::to_string(i)}, {"clientMessageId", "k" + std::to_string(i)}}.dump());
    std::map<std::string, std::int64_t> echoed;  // message -> id
    // Writes one after the other while reading; the kill comes from the reader.
    std::function<void(int)> write = [&](int i) {
        if (i == kSends) return;
        chat.stream().async_write(net::buffer(frames[i]), [&, i](beast::error_code ec, std::size_t) {
            if (!ec) write(i + 1);
        });
    };
    beast::flat_buffer buffer;
    std::function<void()> readNext = [&] {
        chat.stream().async_read(buffer, [&](beast::error_code ec, std::size_t) {
            if (ec) return;
            auto frame = json::parse(beast::buffers_to_string(buffer.data()), nullptr, false);
            buffer.consume(buffer.size());
            if (frame.value("type", "") == "RECEIVED_MESSAGE_RESPONSE") {
                echoed[frame["message"]] = frame["messageId"];
                if (echoed.size() == kKillAfter) ::kill(desk->pid(), SIGKILL);
            }
            readNext();
        });
    };
    chat.stream().text(true);
    write(0);
    readNext();
    chat.context().restart();
    chat.context().run_for(20s);
    EXPECT_EQ(desk->wait(), 128 + SIGKILL);
    ASSERT_GE(echoed.size(), std::size_t{kKillAfter});
    ASSERT_LT(echoed.size(), std::size_t{kSends}) << "the kill came too late to test anything";

    desk = start();
    auto stored = get(desk->port(), "/v1/conversations/" + id + "/messages?limit=1000", sam).body["messages"];
    std::map<std::string, int> count;
    std::int64_t expectedOffset = 1;
    for (const auto& m : stored) {
        EXPECT_EQ(m["offset"], expectedOffset++) << "no gap";
        ++count[m["message"].get<std::string>()];
    }
    for (const auto& [text, messageId] : echoed) {
        EXPECT_EQ(count[text], 1) << text;
        bool found = false;
        for (const auto& m : stored) found = found || (m["message"] == text && m["messageId"] == messageId);
        EXPECT_TRUE(found) << text << " lost or changed its id";
    }
    for (const auto& [text, n] : count) EXPECT_LE(n, 1) << text;

    // The client sends again whatever it heard no echo for, with the same keys.
    Socket resend;
    ASSERT_EQ(resend.open(desk->port(), "/v1/conversations/" + id + "/chat?after=999999", sam), 101);
    resend.read();
    for (int i = 0; i < kSends; ++i) {
        resend.send(frames[i]);
        auto answer = resend.readType("SEND_MESSAGE_RESPONSE");
        ASSERT_TRUE(answer) << i;
        if (echoed.count("m" + std::to_string(i))) {
            EXPECT_EQ((*answer)["messageId"], echoed["m" + std::to_string(i)]);
        }
    }
    auto after = get(desk->port(), "/v1/conversations/" + id + "/messages?limit=1000", sam).body;
    EXPECT_EQ(after["messages"].size(), std::size_t{kSends + 1});
    EXPECT_EQ(after["lastOffset"], kSends + 1);
}

// Each request that creates something, sent again with its Idempotency-Key, gets the first answer
// again and creates nothing; the key on another body is refused by name and stores nothing. The
// answers outlive a SIGKILL, and a key is the caller's own.
TEST_P(DeskServerTest, ARetryWithTheSameKeyCreatesNothingNew) {
    auto desk = start();
    auto port = desk->port();
    const std::string sam = customer(port, "sam"), alex = agent(port);
    const std::string id = conversation(port, sam, "Retries");
    const std::string toRate = conversation(port, sam, "To be rated");
    // What each request makes, as the caller can see it.
    auto lastOffset = [&] { return get(port, "/v1/conversations/" + id + "/messages", sam).body["lastOffset"]; };
    auto conversations = [&] { return get(port, "/v1/conversations", sam).body["conversations"].size(); };
    auto scores = [&] { return get(port, "/v1/agent/scores", alex).body["scores"]; };
    auto registered = [&] { return post(port, "/v1/users", {{"userName", "kim"}}).status; };  // 409 once kim exists
    struct Case {
        const char* name;
        std::string target, token;
        json body, otherBody;
        std::function<json()> made;
    };
    const std::vector<Case> cases{
        {"a user", "/v1/users", "", {{"userName", "kim"}}, {{"userName", "kim"}, {"firstName", "Kim"}}, registered},
        {"a conversation", "/v1/conversations", sam, {{"description", "Once"}}, {{"description", "Twice"}},
         conversations},
        {"a message", "/v1/conversations/" + id + "/messages", sam, {{"message", "once"}}, {{"message", "twice"}},
         lastOffset},
        {"an agent's reply", "/v1/agent/conversations/" + id + "/messages", alex, {{"message", "answer"}},
         {{"message", "another answer"}}, lastOffset},
        {"a score", "/v1/conversations/" + toRate + "/score", sam, {{"scoreId", "SATISFIED"}},
         {{"scoreId", "NEUTRAL"}}, scores},
    };
    std::map<std::string, Answer> firsts;
    for (const auto& c : cases) {
        const std::string key = std::string("retry-key-") + std::to_string(firsts.size()) + "-0123456789abcdef";
        auto first = request(port, http::verb::post, c.target, c.body.dump(), c.token, key);
        ASSERT_LT(first.status, 300) << c.name << ": " << first.body;
        EXPECT_EQ(first.replayed, "") << c.name;
        const json made = c.made();
        auto again = request(port, http::verb::post, c.target, c.body.dump(), c.token, key);
        EXPECT_EQ(again.status, first.status) << c.name;
        EXPECT_EQ(again.body, first.body) << c.name;
        EXPECT_EQ(again.replayed, "true") << c.name;
        EXPECT_EQ(c.made(), made) << c.name << ": made again";
        auto other = request(port, http::verb::post, c.target, c.otherBody.dump(), c.token, key);
        EXPECT_EQ(other.status, 422) << c.name << ": " << other.body;
        EXPECT_EQ(other.body.value("field", ""), "Idempotency-Key") << c.name;
        EXPECT_EQ(c.made(), made) << c.name << ": stored by a refused request";
        firsts[c.name] = first;
    }
    EXPECT_EQ(scores()[0]["scoreId"], "SATISFIED");

    // Another customer's key is theirs: the same key and body make their own conversation.
    const std::string eve = customer(port, "eve");
    auto eves = request(port, http::verb::post, "/v1/conversations", cases[1].body.dump(), eve,
                        "retry-key-1-0123456789abcdef");
    EXPECT_EQ(eves.status, 201);
    EXPECT_NE(eves.body["id"], firsts["a conversation"].body["id"]);
    EXPECT_EQ(eves.replayed, "");

    // Killed and started again: the kept answers are still given, the new user's token with them.
    EXPECT_EQ(desk->kill(SIGKILL), 128 + SIGKILL);
    desk = start();
    port = desk->port();
    auto conversationAgain = request(port, http::verb::post, "/v1/conversations", cases[1].body.dump(), sam,
                                     "retry-key-1-0123456789abcdef");
    EXPECT_EQ(conversationAgain.body, firsts["a conversation"].body);
    EXPECT_EQ(conversationAgain.replayed, "true");
    EXPECT_EQ(conversations(), 3u);
    auto kimAgain = request(port, http::verb::post, "/v1/users", cases[0].body.dump(), "", "retry-key-0-0123456789abcdef");
    EXPECT_EQ(kimAgain.body, firsts["a user"].body);
    EXPECT_EQ(get(port, "/v1/users/me", kimAgain.body.value("token", "")).body["userName"], "kim");
}

// A key that is too short, too long or outside its alphabet is refused before anything is made;
// so is a request the desk refuses, whose key then stays free for the corrected request.
TEST_P(DeskServerTest, RetryKeysAreBoundedAndOnlySuccessIsKept) {
    auto desk = start();
    const auto port = desk->port();
    const std::string sam = customer(port, "sam");
    for (const std::string& key : {std::string("short-key"), std::string(129, 'k'), std::string("a key with spaces!!")}) {
        auto answer = request(port, http::verb::post, "/v1/conversations", json{{"description", "x"}}.dump(), sam, key);
        EXPECT_EQ(answer.status, 400) << key;
        EXPECT_EQ(answer.body.value("field", ""), "Idempotency-Key") << key;
    }
    EXPECT_TRUE(get(port, "/v1/conversations", sam).body["conversations"].empty());

    const std::string key = "corrected-0123456789abcdef";
    EXPECT_EQ(request(port, http::verb::post, "/v1/conversations", json{{"description", " "}}.dump(), sam, key).status,
              400);
    auto corrected = request(port, http::verb::post, "/v1/conversations", json{{"description", "Help"}}.dump(), sam, key);
    EXPECT_EQ(corrected.status, 201) << corrected.body;
    // The same request however its JSON is spaced.
    EXPECT_EQ(request(port, http::verb::post, "/v1/conversations", R"({ "description" :  "Help" })", sam, key).body,
              corrected.body);
}

// A desk without agents makes its first one, whose password only the file's owner can read and
// no log line shows.
TEST_P(DeskServerOnFile, ATenantWithoutAgentsGetsOneAgentWhosePasswordOnlyTheOwnerReads) {
    const auto file = place_.folder() / "velmaro-desk-agent.json";
    {
        auto desk = start();  // the tenant file names Alex
        EXPECT_EQ(get(desk->port(), "/v1/health").status, 200);
        EXPECT_EQ(desk->kill(SIGTERM), 0);
        EXPECT_FALSE(std::filesystem::exists(file));
    }
    std::string password;
    {
        DeskProcess desk(db_, "", log_);
        ASSERT_NE(desk.port(), 0) << desk.firstLine();
        EXPECT_NE(desk.nextLine().find(file.string()), std::string::npos);
        ASSERT_TRUE(std::filesystem::exists(file));
        EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        std::ifstream in(file);
        const auto written = json::parse(in, nullptr, false);
        ASSERT_TRUE(written.is_object());
        password = written.value("password", "");
        EXPECT_GE(password.size(), 32u);
        auto session = post(desk.port(), "/v1/agent/sessions", {{"email", written.value("email", "")}, {"password", password}});
        EXPECT_EQ(session.status, 201) << session.body;
        EXPECT_EQ(session.body["agent"].value("tenantId", ""), "default");
        EXPECT_EQ(desk.kill(SIGTERM), 0);
    }
    {
        // The agent exists now: a restart leaves it and its file as they are.
        DeskProcess desk(db_, "", log_);
        ASSERT_NE(desk.port(), 0) << desk.firstLine();
        std::ifstream in(file);
        EXPECT_EQ(json::parse(in, nullptr, false).value("password", ""), password);
        EXPECT_EQ(post(desk.port(), "/v1/agent/sessions", {{"email", "agent@default.example"}, {"password", password}}).status,
                  201);
        EXPECT_EQ(desk.kill(SIGTERM), 0);
    }
    EXPECT_EQ(logText().find(password), std::string::npos);
}

// SIGTERM: a WebSocket hears "going away", the desk exits 0, even when the signal comes right
// after the listening line. A port in use and a database that cannot be used are said plainly,
// with their own exit status.
TEST_P(DeskServerOnFile, ShutdownAndStartFailures) {
    EXPECT_EQ(start()->kill(SIGTERM), 0);
    auto desk = start();
    const auto port = desk->port();
    const std::string sam = customer(port, "sam");
    const std::string id = conversation(port, sam, "Bye");
    Socket chat;
    ASSERT_EQ(chat.open(port, "/v1/conversations/" + id + "/chat", sam), 101);
    chat.read();
    chat.read();

    DeskProcess clash(db_ + "-2", tenant_, log_, "127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(clash.wait(), 3);
    EXPECT_NE(logText().find("cannot listen on 127.0.0.1:" + std::to_string(port)), std::string::npos);

    ::kill(desk->pid(), SIGTERM);
    EXPECT_FALSE(chat.read());
    EXPECT_EQ(chat.closeCode(), 1001);
    EXPECT_EQ(desk->wait(), 0);

    std::ofstream(db_ + "-garbage") << std::string(8192, 'x');
    DeskProcess unreadable(db_ + "-garbage", tenant_, log_);
    EXPECT_EQ(unreadable.wait(), 4);
    EXPECT_NE(logText().find("database " + db_ + "-garbage"), std::string::npos);

    // A restart keeps the user and the conversation.
    desk = start();
    EXPECT_EQ(get(desk->port(), "/v1/conversations/" + id, sam).body["description"], "Bye");
    EXPECT_EQ(desk->kill(SIGTERM), 0);
}

// A browser opens a WebSocket with a ticket fetched with its token: once, for that token's own
// sockets. The token itself never goes in a URL; a header on the upgrade still works.
TEST_P(DeskServerTest, SocketTicketsOpenOneSocketAndTokensStayOutOfUrls) {
    auto desk = start();
    const auto port = desk->port();
    const std::string alex = agent(port), sam = customer(port, "sam");
    auto ticketFor = [&](const std::string& token) {
        auto answer = post(port, "/v1/socket-tickets", json::object(), token);
        EXPECT_EQ(answer.status, 201) << answer.body;
        return answer.body.value("ticket", "");
    };
    const std::string agentTicket = ticketFor(alex), samTicket = ticketFor(sam);
    ASSERT_NE(agentTicket, alex);
    Socket live;
    ASSERT_EQ(live.open(port, "/v1/agent/live?ticket=" + agentTicket), 101);
    // Asking for tickets, then opening sockets with them (each asked once, in this order).
    enum Ask { ticket, readTicket, socket };
    struct Case {
        const char* name;
        Ask ask;
        std::string target, token;
        int status;
    };
    const std::vector<Case> cases{
        {"a ticket for nobody", ticket, "/v1/socket-tickets", "", 401},
        {"a ticket for a made-up token", ticket, "/v1/socket-tickets", "not-a-token", 401},
        {"tickets are not read back", readTicket, "/v1/socket-tickets", alex, 405},
        {"a ticket opens one socket", socket, "/v1/agent/live?ticket=" + agentTicket, "", 401},
        {"a customer's on the agent socket", socket, "/v1/agent/live?ticket=" + samTicket, "", 403},
        {"and it is spent by that", socket, "/v1/users/me/notices?ticket=" + samTicket, "", 401},
        {"a customer's on their notices", socket, "/v1/users/me/notices?ticket=" + ticketFor(sam), "", 101},
        {"a made-up ticket", socket, "/v1/agent/live?ticket=made-up", "", 401},
        {"tokens in URLs are not taken", socket, "/v1/agent/live?access_token=" + alex, "", 401},
        {"a header on the upgrade", socket, "/v1/agent/live", alex, 101},
    };
    for (const auto& c : cases) {
        const int status = c.ask == socket   ? upgradeStatus(port, c.target, c.token)
                           : c.ask == ticket ? post(port, c.target, json::object(), c.token).status
                                             : get(port, c.target, c.token).status;
        EXPECT_EQ(status, c.status) << c.name;
    }

    // The ticket's socket is live: it hears the tenant's changes.
    const std::string id = conversation(port, sam, "Hello");
    auto event = live.readType("MESSAGE");
    ASSERT_TRUE(event);
    EXPECT_EQ((*event)["conversation"]["id"], id);
    const std::string log = logText();
    for (const auto& secret : {alex, sam, agentTicket, samTicket}) EXPECT_EQ(log.find(secret), std::string::npos);
}

// Signing out ends the agent's session on the desk: the token opens nothing afterwards, while
// the agent's other sessions go on.
TEST_P(DeskServerTest, SigningOutEndsTheSession) {
    auto desk = start();
    const auto port = desk->port();
    const std::string alex = agent(port), other = agent(port), sam = customer(port, "sam");
    EXPECT_EQ(request(port, http::verb::delete_, "/v1/agent/sessions/current", {}, sam).status, 403);
    EXPECT_EQ(request(port, http::verb::delete_, "/v1/agent/sessions/current").status, 401);
    EXPECT_EQ(request(port, http::verb::delete_, "/v1/agent/sessions/current", {}, alex).status, 200);
    EXPECT_EQ(get(port, "/v1/agent/conversations", alex).status, 401);
    EXPECT_EQ(post(port, "/v1/socket-tickets", json::object(), alex).status, 401);
    EXPECT_EQ(request(port, http::verb::delete_, "/v1/agent/sessions/current", {}, alex).status, 401);
    EXPECT_EQ(get(port, "/v1/agent/conversations", other).status, 200);
    EXPECT_EQ(get(port, "/v1/users/me", sam).status, 200);
}

// The agent's list names the customer and shows the newest entry; the seen count says which of
// the agent's answers the customer has not read yet, and the live socket tells when it changes.
TEST_P(DeskServerTest, AgentConversationsCarryTheCustomerAndTheNewestMessage) {
    auto desk = start();
    const auto port = desk->port();
    const std::string alex = agent(port);
    const std::string sam =
        post(port, "/v1/users", {{"userName", "sam"}, {"firstName", "Sam"}, {"lastName", "Lee"}}).body.value("token", "");
    const std::string kim = customer(port, "kim");
    const std::string samChat = conversation(port, sam, "The kettle leaks"), kimChat = conversation(port, kim, "Late");
    post(port, "/v1/conversations/" + samChat + "/messages", {{"message", "<b>still</b> leaking"}}, sam);
    post(port, "/v1/agent/conversations/" + samChat + "/messages", {{"message", "On it"}}, alex);

    auto list = get(port, "/v1/agent/conversations", alex).body["conversations"];
    ASSERT_EQ(list.size(), 2u);
    std::map<std::string, json> byId;
    for (const auto& c : list) byId[c["id"]] = c;
    EXPECT_EQ(byId[samChat]["customerName"], "Sam Lee");
    EXPECT_EQ(byId[samChat]["lastMessage"]["message"], "On it");
    EXPECT_EQ(byId[samChat]["lastMessage"]["senderType"], "AGENT");
    EXPECT_EQ(byId[samChat]["unseenActivityCount"], 1) << "the customer has not seen the answer";
    EXPECT_EQ(byId[kimChat]["customerName"], "kim") << "without names, the user name";
    EXPECT_EQ(byId[kimChat]["lastMessage"]["contentType"], "CONVERSATION_STARTED");
    EXPECT_EQ(get(port, "/v1/agent/conversations/" + samChat, alex).body["customerName"], "Sam Lee");

    Socket live;
    ASSERT_EQ(live.open(port, "/v1/agent/live", alex), 101);
    EXPECT_EQ(post(port, "/v1/conversations/" + samChat + "/seen", json::object(), sam).status, 200);
    auto changed = live.readType("CONVERSATION_CHANGED");
    ASSERT_TRUE(changed);
    EXPECT_EQ((*changed)["conversation"]["unseenActivityCount"], 0);
}

// The console's files: the right types and headers, revalidated by their tag, and nothing
// outside the folder or beyond reading.
TEST_P(DeskServerTest, TheConsoleIsServedFromItsFolderOnly) {
    auto desk = start();
    const auto port = desk->port();
    struct Case {
        http::verb method;
        std::string target;
        int status;
        std::string type;
    };
    const std::vector<Case> cases{
        {http::verb::get, "/console", 200, "text/html; charset=utf-8"},
        {http::verb::get, "/console/", 200, "text/html; charset=utf-8"},
        {http::verb::get, "/console/console.js", 200, "text/javascript; charset=utf-8"},
        {http::verb::get, "/console/console.css", 200, "text/css; charset=utf-8"},
        {http::verb::get, "/console/../CMakeLists.txt", 404, ""},
        {http::verb::get, "/console/..%2fCMakeLists.txt", 404, ""},
        {http::verb::get, "/console/%2e%2e", 404, ""},
        {http::verb::get, "/console/..%2fconsole%2fconsole.js", 404, ""},  // a way back to a real file
        {http::verb::get, "/console/.hidden.js", 404, ""},
        {http::verb::get, "/console/sub/console.js", 404, ""},
        {http::verb::get, "/console/missing.js", 404, ""},
        {http::verb::get, "/console/velmaro-desk.db", 404, ""},
        {http::verb::post, "/console/console.js", 405, ""},
        {http::verb::delete_, "/console", 405, ""},
    };
    for (const auto& c : cases) {
        auto answer = request(port, c.method, c.target);
        EXPECT_EQ(answer.status, c.status) << c.target;
        if (c.status != 200) continue;
        EXPECT_EQ(answer.contentType, c.type) << c.target;
        EXPECT_EQ(answer.cacheControl, "no-cache");
        EXPECT_NE(answer.policy.find("script-src 'self'"), std::string::npos);
        EXPECT_NE(answer.policy.find("connect-src 'self'"), std::string::npos);
        EXPECT_EQ(answer.policy.find("unsafe"), std::string::npos);
    }
    auto page = get(port, "/console");
    EXPECT_NE(page.text.find("<script type=\"module\" src=\"/console/console.js\">"), std::string::npos);
    EXPECT_EQ(page.text.find("<script>"), std::string::npos) << "no inline script";
    EXPECT_EQ(request(port, http::verb::get, "/console", {}, {}, {}, page.etag).status, 304);
    auto head = request(port, http::verb::head, "/console/console.js");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.text.empty());
    EXPECT_EQ(head.length, std::to_string(get(port, "/console/console.js").text.size()));
}

// HEAD on the API answers the headers a GET would get, the length of its body included, and no
// body: the next answer on the same kept-alive connection reads whole.
TEST_P(DeskServerTest, HeadAnswersCarryNoBodyOnAKeptAliveConnection) {
    auto desk = start();
    const auto port = desk->port();
    net::io_context ioc;
    beast::tcp_stream stream(ioc);
    stream.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
    stream.expires_after(5s);
    beast::flat_buffer buffer;
    auto exchange = [&](http::verb method, const std::string& target) {
        http::request<http::empty_body> req(method, target, 11);
        req.set(http::field::host, "127.0.0.1");
        req.keep_alive(true);
        http::write(stream, req);
        http::response_parser<http::string_body> parser;
        parser.skip(method == http::verb::head);
        beast::error_code ec;
        http::read(stream, buffer, parser, ec);
        EXPECT_FALSE(ec) << target << ": " << ec.message();
        return parser.release();
    };
    for (const std::string target : {"/v1/nowhere", "/v1/users/me", "/v1/conversations"}) {
        SCOPED_TRACE(target);
        const auto head = exchange(http::verb::head, target);
        const auto got = exchange(http::verb::get, target);
        EXPECT_GE(head.result_int(), 400u);
        EXPECT_EQ(head.result_int(), got.result_int());
        EXPECT_EQ(head[http::field::content_type], got[http::field::content_type]);
        EXPECT_EQ(head[http::field::content_length], std::to_string(got.body().size()));
        EXPECT_TRUE(json::parse(got.body(), nullptr, false).is_object()) << got.body();
        EXPECT_TRUE(got.keep_alive());
    }
    EXPECT_EQ(buffer.size(), 0u) << "nothing left over after the answers";
}

// A ticket is good for its lifetime only: one that has waited too long opens nothing, and is
// spent all the same.
TEST(DeskServerInProcess, AnExpiredTicketOpensNothing) {
    DeskServer::Options options;
    options.port = 0;
    options.ticketLifetime = std::chrono::milliseconds(0);
    DeskServer server(std::make_unique<desk::SqliteDeskStore>(":memory:"), TenantFile::standard(), options);
    std::thread running([&] { server.run(); });
    const auto port = server.port();
    const std::string token = post(port, "/v1/users", {{"userName", "sam"}}).body.value("token", "");
    auto ticket = post(port, "/v1/socket-tickets", json::object(), token);
    EXPECT_EQ(ticket.status, 201);
    EXPECT_EQ(upgradeStatus(port, "/v1/users/me/notices?ticket=" + ticket.body.value("ticket", "")), 401);
    EXPECT_EQ(upgradeStatus(port, "/v1/users/me/notices", token), 101) << "the header still opens it";
    server.stop();
    running.join();
}

INSTANTIATE_TEST_SUITE_P(Sqlite, DeskServerTest, ::testing::Values(StoreKind::sqlite), testing_desk::storeKindName);
INSTANTIATE_TEST_SUITE_P(Postgres, DeskServerTest, ::testing::Values(StoreKind::postgres),
                         testing_desk::storeKindName);
INSTANTIATE_TEST_SUITE_P(Sqlite, DeskServerOnFile, ::testing::Values(StoreKind::sqlite), testing_desk::storeKindName);

}  // namespace
}  // namespace velmaro::deskserver
