#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "Desk/DeskEngine.h"
#include "Desk/SqliteDeskStore.h"
#include "support/Desk/Stores.h"
#include "support/Platform/ScratchFolder.h"

namespace {

using namespace velmaro::desk;
using Code = DeskError::Code;
using velmaro::testing_desk::StoreKind;
using velmaro::testing_desk::StorePlace;

Tenant acme() {
    return {"acme", "Acme", "https://acme.example/a.png", "#48DFB2", false};
}

struct Desk {
    explicit Desk(const std::string& path = ":memory:") : Desk(std::make_unique<SqliteDeskStore>(path)) {}
    explicit Desk(std::unique_ptr<DeskStore> store) {
        DeskEngine::Options options;
        options.passwordCost = secrets::PasswordCost::minimum;
        options.clock = [this] { return ++clock; };
        options.listener = [this](const DeskEngine::Event& event) { events.push_back(event); };
        options.customerWatching = [this](const std::string& id) { return id == watched; };
        engine = std::make_unique<DeskEngine>(std::move(store), options);
        engine->putTenant(acme());
    }
    std::unique_ptr<DeskEngine> engine;
    std::vector<DeskEngine::Event> events;
    std::string watched;
    Millis clock = 1000;
};

// The engine's rules, the same on every store.
class DeskEngineRules : public ::testing::TestWithParam<StoreKind> {
protected:
    void SetUp() override {
        if (!place.available()) GTEST_SKIP() << StorePlace::kUnavailable;
    }
    StorePlace place{GetParam()};
};

Code codeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DeskError& error) {
        return error.code();
    }
    ADD_FAILURE() << "no DeskError";
    return Code::unavailable;
}

// The road of one chat: the conversation opens with its system entry, the customer's and the
// agent's messages follow at the next offsets, the first agent to answer is assigned, an answer
// the customer is not watching is unseen, and a rating closes it.
TEST_P(DeskEngineRules, OneChatFromOpeningToRating) {
    Desk desk(place.open());
    auto sam = desk.engine->registerUser("acme", "sam@acme.example", "Sam", "Lee");
    const Agent alex = desk.engine->ensureAgent("acme", "alex@acme.example", "Alex", "correct horse");

    Conversation opened = desk.engine->createConversation(sam.user.id, "The kettle leaks\nsince Monday");
    EXPECT_EQ(opened.number, 1);
    EXPECT_EQ(opened.subject, "The kettle leaks");
    EXPECT_EQ(opened.status, "OPEN");
    EXPECT_EQ(opened.lastOffset, 1);

    auto first = desk.engine->customerSays(sam.user.id, opened.id, "The kettle leaks\nsince Monday", "c-1");
    EXPECT_EQ(first.message.offset, 2);
    EXPECT_EQ(DeskEngine::senderType(first.message), "CUSTOMER");
    auto answer = desk.engine->agentSays(alex, opened.id, "Which model is it?");
    EXPECT_EQ(answer.message.offset, 3);
    EXPECT_GT(answer.message.id, first.message.id);
    EXPECT_EQ(answer.conversation.agentName, "Alex");
    EXPECT_EQ(answer.conversation.unseenByUser, 1);

    desk.watched = opened.id;
    EXPECT_EQ(desk.engine->agentSays(alex, opened.id, "Still there?").conversation.unseenByUser, 1)
        << "an answer in an open chat is seen as it arrives";
    EXPECT_EQ(desk.engine->conversationsOf(sam.user.id, true).size(), 1u);
    EXPECT_EQ(desk.engine->markSeenByUser(sam.user.id, opened.id).unseenByUser, 0);
    EXPECT_TRUE(desk.engine->conversationsOf(sam.user.id, true).empty());

    Conversation rated = desk.engine->rate(sam.user.id, opened.id, "SATISFIED");
    EXPECT_EQ(rated.status, "CLOSED");
    EXPECT_EQ(rated.scoreId, "SATISFIED");
    EXPECT_EQ(codeOf([&] { desk.engine->customerSays(sam.user.id, opened.id, "hello?"); }), Code::conflict);

    // What listeners heard: every message once, in offset order, after it was stored.
    std::vector<std::int64_t> offsets;
    for (const auto& event : desk.events)
        if (event.message) {
            offsets.push_back(event.message->offset);
            EXPECT_EQ(desk.engine->messages(opened.id, event.message->offset - 1, 1).at(0).id, event.message->id);
        }
    EXPECT_EQ(offsets, (std::vector<std::int64_t>{1, 2, 3, 4}));
    EXPECT_EQ(desk.events.back().conversation.status, "CLOSED");
}

// An event is a promise: when the listener hears of a message, another connection to the
// database already finds it there.
TEST_P(DeskEngineRules, AMessageIsCommittedBeforeAnyoneHearsOfIt) {
    std::vector<std::int64_t> foundOutside;
    DeskEngine::Options options;
    options.listener = [&](const DeskEngine::Event& event) {
        if (!event.message) return;
        const std::string sql = "SELECT count(*) FROM messages WHERE id = " + std::to_string(event.message->id) +
                                " AND \"offset\" = " + std::to_string(event.message->offset);
        if (place.countFromOutside(sql) == 1) foundOutside.push_back(event.message->offset);
    };
    DeskEngine engine(place.open(), options);
    engine.putTenant(acme());
    auto sam = engine.registerUser("acme", "sam", "", "");
    auto c = engine.createConversation(sam.user.id, "Help");
    engine.customerSays(sam.user.id, c.id, "one");
    engine.together([&] { engine.customerSays(sam.user.id, c.id, "two"); });
    EXPECT_EQ(foundOutside, (std::vector<std::int64_t>{1, 2, 3}));
}

TEST_P(DeskEngineRules, AgentClosingAddsTheClosingEntryOnce) {
    Desk desk(place.open());
    auto sam = desk.engine->registerUser("acme", "", "", "");
    const Agent alex = desk.engine->ensureAgent("acme", "alex@acme.example", "Alex", "correct horse");
    auto c = desk.engine->createConversation(sam.user.id, "Parcel missing");
    EXPECT_EQ(desk.engine->close(alex, c.id).status, "CLOSED");
    EXPECT_EQ(desk.engine->close(alex, c.id).lastOffset, 2);
    auto stream = desk.engine->messages(c.id, 0);
    ASSERT_EQ(stream.size(), 2u);
    EXPECT_EQ(stream[1].contentType, "CONVERSATION_CLOSED");
    EXPECT_EQ(desk.engine->tenantConversations(alex, "OPEN").size(), 0u);
    EXPECT_EQ(desk.engine->tenantConversations(alex, "CLOSED").size(), 1u);
}

// A customer reaches only their own conversations and an agent only their tenant's: the others
// do not exist for them.
TEST_P(DeskEngineRules, StrangersFindNothing) {
    Desk desk(place.open());
    desk.engine->putTenant({"other", "Other", "", "#000000", false});
    auto sam = desk.engine->registerUser("acme", "sam", "", "");
    auto eve = desk.engine->registerUser("acme", "eve", "", "");
    const Agent outsider = desk.engine->ensureAgent("other", "mallory@other.example", "M", "correct horse");
    auto c = desk.engine->createConversation(sam.user.id, "Private matter");

    const std::vector<std::pair<const char*, std::function<void()>>> attempts{
        {"get", [&] { desk.engine->conversationOf(eve.user.id, c.id); }},
        {"send", [&] { desk.engine->customerSays(eve.user.id, c.id, "hi"); }},
        {"seen", [&] { desk.engine->markSeenByUser(eve.user.id, c.id); }},
        {"rate", [&] { desk.engine->rate(eve.user.id, c.id, "NEUTRAL"); }},
        {"agent get", [&] { desk.engine->conversationForAgent(outsider, c.id); }},
        {"agent reply", [&] { desk.engine->agentSays(outsider, c.id, "hi"); }},
        {"agent close", [&] { desk.engine->close(outsider, c.id); }},
    };
    for (const auto& [name, attempt] : attempts) EXPECT_EQ(codeOf(attempt), Code::notFound) << name;
    EXPECT_TRUE(desk.engine->conversationsOf(eve.user.id, false).empty());
    EXPECT_TRUE(desk.engine->tenantConversations(outsider, std::nullopt).empty());
    EXPECT_EQ(desk.engine->conversationOf(sam.user.id, c.id).lastOffset, 1) << "nothing was stored";
}

TEST_P(DeskEngineRules, TokensAndPasswords) {
    Desk desk(place.open());
    auto sam = desk.engine->registerUser("acme", "sam", "", "");
    EXPECT_GE(sam.token.size(), 22u) << "at least 128 bits";
    EXPECT_EQ(desk.engine->userForToken(sam.token).id, sam.user.id);
    for (std::string wrong : {std::string(), sam.token + "x", sam.token.substr(1), std::string(5000, 'a')})
        EXPECT_EQ(codeOf([&] { desk.engine->userForToken(wrong); }), Code::unauthorized);

    desk.engine->ensureAgent("acme", "alex@acme.example", "Alex", "correct horse");
    EXPECT_EQ(codeOf([&] { desk.engine->signInAgent("acme", "alex@acme.example", "wrong horse"); }),
              Code::unauthorized);
    EXPECT_EQ(codeOf([&] { desk.engine->signInAgent("acme", "nobody@acme.example", "correct horse"); }),
              Code::unauthorized);
    auto session = desk.engine->signInAgent("acme", "alex@acme.example", "correct horse");
    EXPECT_EQ(desk.engine->agentForToken(session.token).id, session.agent.id);
    EXPECT_EQ(codeOf([&] { desk.engine->agentForToken(sam.token); }), Code::unauthorized)
        << "a customer's token is no agent's";
    EXPECT_EQ(codeOf([&] { desk.engine->userForToken(session.token); }), Code::unauthorized);
}

// Knowing someone's user name must not hand out their account.
TEST_P(DeskEngineRules, ATakenUserNameNeedsItsOwnersToken) {
    Desk desk(place.open());
    auto sam = desk.engine->registerUser("acme", "sam@acme.example", "Sam", "");
    EXPECT_EQ(codeOf([&] { desk.engine->registerUser("acme", "sam@acme.example", "", ""); }), Code::conflict);
    auto again = desk.engine->registerUser("acme", "sam@acme.example", "Samuel", "", sam.user.id);
    EXPECT_EQ(again.user.id, sam.user.id);
    EXPECT_EQ(again.user.firstName, "Samuel");
    EXPECT_EQ(desk.engine->userForToken(sam.token).id, sam.user.id) << "the old token still works";

    desk.engine->putTenant({"strict", "Strict", "", "#000000", true});
    EXPECT_EQ(codeOf([&] { desk.engine->registerUser("strict", " ", "", ""); }), Code::invalid);
}

// Bad input is refused by name and leaves nothing behind.
TEST_P(DeskEngineRules, BadMessagesAreRefusedAndNotStored) {
    Desk desk(place.open());
    auto sam = desk.engine->registerUser("acme", "sam", "", "");
    auto c = desk.engine->createConversation(sam.user.id, "Help");
    const std::vector<std::pair<std::string, std::string>> bad{
        {"too long", std::string(4097, 'a')},
        {"empty", ""},
        {"blank", " \n\t"},
        {"invalid UTF-8", "caf\xC3"},
        {"overlong", "\xC0\xAF"},
        {"surrogate", "\xED\xA0\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80"},
    };
    for (const auto& [name, text] : bad) {
        try {
            desk.engine->customerSays(sam.user.id, c.id, text);
            ADD_FAILURE() << name << " was accepted";
        } catch (const DeskError& error) {
            EXPECT_EQ(error.code(), Code::invalid) << name;
            EXPECT_EQ(error.field(), "message") << name;
        }
    }
    EXPECT_EQ(desk.engine->customerSays(sam.user.id, c.id, std::string(4096, 'a')).message.offset, 2)
        << "exactly the limit is fine, and offsets have no gap";
    EXPECT_EQ(desk.engine->customerSays(sam.user.id, c.id, "Grüße 👋").message.offset, 3);
    EXPECT_EQ(codeOf([&] { desk.engine->createConversation(sam.user.id, "  "); }), Code::invalid);
    EXPECT_EQ(codeOf([&] { desk.engine->rate(sam.user.id, c.id, "GREAT"); }), Code::invalid);
    EXPECT_EQ(desk.engine->conversationOf(sam.user.id, c.id).status, "OPEN");
}

// A retry with the sender's key answers the first message and stores nothing twice.
TEST_P(DeskEngineRules, ARepeatedSendIsStoredOnce) {
    Desk desk(place.open());
    auto sam = desk.engine->registerUser("acme", "sam", "", "");
    auto c = desk.engine->createConversation(sam.user.id, "Help");
    auto first = desk.engine->customerSays(sam.user.id, c.id, "Hello", "k1");
    const auto heard = desk.events.size();
    auto retry = desk.engine->customerSays(sam.user.id, c.id, "Hello", "k1");
    EXPECT_TRUE(retry.repeated);
    EXPECT_EQ(retry.message.id, first.message.id);
    EXPECT_EQ(desk.events.size(), heard) << "a retry is not told again";
    EXPECT_EQ(codeOf([&] { desk.engine->customerSays(sam.user.id, c.id, "Other", "k1"); }), Code::conflict);
    EXPECT_EQ(desk.engine->messages(c.id, 0).size(), 2u);
}

// Everything lives in the file: a desk opened again on it has every user, conversation, message
// and score, tokens still work, and offsets and numbers go on without a gap.
TEST(DeskStore, ARestartOnTheSameFileKeepsEverything) {
    ScratchFolder folder("desk-store");
    const std::string path = (folder.path() / "desk.db").string();
    std::string token, conversationId, agentToken;
    std::int64_t lastId = 0;
    {
        Desk desk(path);
        auto sam = desk.engine->registerUser("acme", "sam", "Sam", "Lee");
        token = sam.token;
        desk.engine->ensureAgent("acme", "alex@acme.example", "Alex", "correct horse");
        auto session = desk.engine->signInAgent("acme", "alex@acme.example", "correct horse");
        agentToken = session.token;
        auto c = desk.engine->createConversation(sam.user.id, "The kettle leaks");
        conversationId = c.id;
        desk.engine->customerSays(sam.user.id, c.id, "Hello");
        lastId = desk.engine->agentSays(session.agent, c.id, "Hi Sam").message.id;
        desk.engine->rate(sam.user.id, c.id, "VERY_SATISFIED");
        desk.engine->createConversation(sam.user.id, "Second one");
    }
    Desk desk(path);
    auto sam = desk.engine->userForToken(token);
    EXPECT_EQ(sam.firstName, "Sam");
    auto agent = desk.engine->agentForToken(agentToken);
    auto list = desk.engine->conversationsOf(sam.id, false);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].number, 2);
    EXPECT_EQ(list[1].id, conversationId);
    EXPECT_EQ(list[1].scoreId, "VERY_SATISFIED");
    EXPECT_EQ(list[1].agentName, "Alex");
    auto stream = desk.engine->messages(conversationId, 0);
    ASSERT_EQ(stream.size(), 3u);
    EXPECT_EQ(stream[2].text, "Hi Sam");
    EXPECT_EQ(stream[2].id, lastId);
    auto more = desk.engine->customerSays(sam.id, list[0].id, "Another");
    EXPECT_EQ(more.message.offset, 2);
    EXPECT_GT(more.message.id, lastId);
    EXPECT_EQ(desk.engine->createConversation(sam.id, "Third").number, 3);
    EXPECT_EQ(desk.engine->scoresGiven(agent).size(), 1u);

    // Secrets are kept as hashes only.
    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::ifstream wal(path + "-wal", std::ios::binary);
    const std::string logBytes{std::istreambuf_iterator<char>(wal), std::istreambuf_iterator<char>()};
    for (const auto& secret : {token, agentToken, std::string("correct horse")}) {
        EXPECT_EQ(bytes.find(secret), std::string::npos);
        EXPECT_EQ(logBytes.find(secret), std::string::npos);
    }
}

TEST(DeskStore, SchemaVersionsAndUnusableFiles) {
    ScratchFolder folder("desk-schema");
    const std::string path = (folder.path() / "desk.db").string();
    { EXPECT_EQ(SqliteDeskStore(path).schemaVersion(), SqliteDeskStore::newestSchemaVersion()); }
    // Opening again runs no migration twice.
    { EXPECT_EQ(SqliteDeskStore(path).schemaVersion(), SqliteDeskStore::newestSchemaVersion()); }

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE schema_version SET version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    try {
        SqliteDeskStore newer(path);
        ADD_FAILURE() << "a file from a newer desk was opened";
    } catch (const DeskError& error) {
        EXPECT_NE(std::string(error.what()).find("newer desk"), std::string::npos) << error.what();
    }

    const std::string garbage = (folder.path() / "garbage.db").string();
    std::ofstream(garbage) << std::string(8192, 'x');
    EXPECT_EQ(codeOf([&] { SqliteDeskStore store(garbage); }), Code::unavailable);
    EXPECT_EQ(codeOf([&] { SqliteDeskStore store((folder.path() / "no/such/folder/desk.db").string()); }),
              Code::unavailable);
}

// Many sends in one commit: nothing is told before the commit, and then in order; a send the
// desk refuses inside undoes only itself; work that fails as a whole keeps and tells nothing.
TEST_P(DeskEngineRules, SendsCommittedTogetherAreToldAfterTheCommit) {
    Desk desk(place.open());
    auto sam = desk.engine->registerUser("acme", "sam", "", "");
    const auto id = desk.engine->createConversation(sam.user.id, "Help").id;
    desk.events.clear();
    std::size_t toldBeforeCommit = 99, toldAtCommit = 99;
    desk.engine->together(
        [&] {
            desk.engine->customerSays(sam.user.id, id, "one");
            EXPECT_EQ(codeOf([&] { desk.engine->customerSays(sam.user.id, id, " "); }), Code::invalid);
            desk.engine->customerSays(sam.user.id, id, "two");
            toldBeforeCommit = desk.events.size();
        },
        [&] { toldAtCommit = desk.events.size(); });
    EXPECT_EQ(toldBeforeCommit, 0u);
    EXPECT_EQ(toldAtCommit, 0u) << "the committed step runs before the telling";
    ASSERT_EQ(desk.events.size(), 2u);
    EXPECT_EQ(desk.events[0].message->text, "one");
    EXPECT_EQ(desk.events[1].message->offset, 3);
    EXPECT_EQ(desk.engine->messages(id, 0).size(), 3u);

    desk.events.clear();
    EXPECT_THROW(desk.engine->together([&] {
        desk.engine->customerSays(sam.user.id, id, "three");
        throw std::runtime_error("the rest failed");
    }),
                 std::runtime_error);
    EXPECT_TRUE(desk.events.empty());
    EXPECT_EQ(desk.engine->conversationOf(sam.user.id, id).lastOffset, 3) << "nothing kept";
    EXPECT_EQ(desk.engine->customerSays(sam.user.id, id, "four").message.offset, 4) << "no gap";
}

// A migration from an older file: a version 1 database (made by hand as that desk left it)
// gains the newer columns with their defaults and keeps its rows.
TEST(DeskStore, AnOlderFileIsMigratedForward) {
    ScratchFolder folder("desk-migrate");
    const std::string path = (folder.path() / "desk.db").string();
    {
        SqliteDeskStore store(path);
        store.putTenant(acme());
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    // Back to how version 1 stood.
    ASSERT_EQ(sqlite3_exec(db,
                           "DROP TABLE kept_answers;"
                           "DROP INDEX messages_by_client_key; ALTER TABLE conversations DROP COLUMN score_id;"
                           "UPDATE schema_version SET version = 1",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
    SqliteDeskStore store(path);
    EXPECT_EQ(store.schemaVersion(), SqliteDeskStore::newestSchemaVersion());
    EXPECT_EQ(store.tenant("acme")->name, "Acme");
}

INSTANTIATE_TEST_SUITE_P(Sqlite, DeskEngineRules, ::testing::Values(StoreKind::sqlite),
                         velmaro::testing_desk::storeKindName);
INSTANTIATE_TEST_SUITE_P(Postgres, DeskEngineRules, ::testing::Values(StoreKind::postgres),
                         velmaro::testing_desk::storeKindName);

}  // namespace
