#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "Desk/DeskEngine.h"
#include "Desk/SqliteDeskStore.h"

namespace {

using namespace velmaro::desk;

struct ImportDesk {
    ImportDesk() {
        DeskEngine::Options options;
        options.passwordCost = secrets::PasswordCost::minimum;
        options.clock = [this] { return ++clock; };
        options.listener = [this](const DeskEngine::Event& event) { events.push_back(event); };
        engine = std::make_unique<DeskEngine>(std::make_unique<SqliteDeskStore>(":memory:"), options);
        engine->putTenant({"acme", "Acme", "", "#48DFB2", false});
        engine->putTenant({"beta", "Beta", "", "#000000", false});
        sam = engine->registerUser("acme", "sam@acme.example", "Sam", "").user;
        kim = engine->ensureAgent("acme", "kim@acme.example", "Kim", "correct horse", "https://acme.example/kim.png");
        stranger = engine->ensureAgent("beta", "bo@beta.example", "Bo", "correct horse");
    }
    // A conversation of Sam's from before the desk: asked, answered, and unseen twice.
    Conversation kettle() const {
        Conversation conversation;
        conversation.id = "c-kettle";
        conversation.userId = sam.id;
        conversation.number = 7;
        conversation.subject = "Refund for a kettle";
        conversation.description = "Refund for a kettle";
        conversation.agentId = kim.id;
        conversation.createdAt = 500;
        conversation.unseenByUser = 2;
        return conversation;
    }
    static std::vector<Message> history() {
        Message asked, answered;
        asked.direction = "INBOUND";
        asked.text = "Hello, I need help.";
        asked.createdAt = 600;
        answered.direction = "OUTBOUND";
        answered.text = "The refund is on its way.";
        answered.createdAt = 700;
        return {asked, answered};
    }

    std::unique_ptr<DeskEngine> engine;
    std::vector<DeskEngine::Event> events;
    Millis clock = 10000;
    User sam;
    Agent kim, stranger;
};

// A conversation brought in keeps what it was, and its stream goes on where the history ended.
TEST(ImportedConversation, KeepsItsIdNumberDatesAgentAndCountsAndItsStreamGoesOn) {
    ImportDesk desk;
    Conversation imported = desk.engine->importConversation(desk.kettle(), ImportDesk::history());
    EXPECT_EQ(imported.id, "c-kettle");
    EXPECT_EQ(imported.tenantId, "acme");
    EXPECT_EQ(imported.number, 7);
    EXPECT_EQ(imported.status, "OPEN");
    EXPECT_EQ(imported.agentName, "Kim");
    EXPECT_EQ(imported.agentAvatarUrl, "https://acme.example/kim.png");
    EXPECT_EQ(imported.createdAt, 500);
    EXPECT_EQ(imported.updatedAt, 700);
    EXPECT_EQ(imported.unseenByUser, 2);
    EXPECT_EQ(imported.lastOffset, 2);
    ASSERT_FALSE(desk.events.empty());
    EXPECT_EQ(desk.events.back().conversation.id, "c-kettle");

    auto messages = desk.engine->messages("c-kettle", 0);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].offset, 1);
    EXPECT_EQ(messages[0].contentType, "TEXT");
    EXPECT_EQ(messages[0].createdAt, 600);
    EXPECT_EQ(messages[1].text, "The refund is on its way.");
    EXPECT_EQ(DeskEngine::senderType(messages[1]), "AGENT");

    EXPECT_EQ(desk.engine->conversationsOf(desk.sam.id, true).size(), 1u);
    EXPECT_EQ(desk.engine->customerSays(desk.sam.id, "c-kettle", "Any news?").message.offset, 3);
    const Agent alex = desk.engine->ensureAgent("acme", "alex@acme.example", "Alex", "correct horse");
    EXPECT_EQ(desk.engine->agentSays(alex, "c-kettle", "Yes.").conversation.agentName, "Kim")
        << "the agent it had stays assigned";
    EXPECT_EQ(desk.engine->createConversation(desk.sam.id, "Another").number, 8);

    // What is missing is filled: a fresh id, the next number, now, open.
    Conversation bare;
    bare.userId = desk.sam.id;
    Conversation filled = desk.engine->importConversation(bare, {});
    EXPECT_FALSE(filled.id.empty());
    EXPECT_EQ(filled.number, 9);
    EXPECT_EQ(filled.status, "OPEN");
    EXPECT_GT(filled.createdAt, 10000);
    EXPECT_EQ(filled.lastOffset, 0);
}

TEST(ImportedConversation, WhatCannotStandIsRefusedAndNothingIsStored) {
    struct Case {
        const char* what;
        std::function<void(Conversation&, std::vector<Message>&, const ImportDesk&)> spoil;
        DeskError::Code code;
        const char* field;
    };
    const Case cases[] = {
        {"a taken id", [](Conversation& c, auto&, auto&) { c.id = "c-first"; c.number = 0; },
         DeskError::Code::conflict, "conversationId"},
        {"a taken number", [](Conversation& c, auto&, auto&) { c.number = 1; }, DeskError::Code::conflict,
         "number"},
        {"an unknown customer", [](Conversation& c, auto&, auto&) { c.userId = "user-nobody"; },
         DeskError::Code::notFound, "userId"},
        {"another tenant's agent", [](Conversation& c, auto&, const ImportDesk& d) { c.agentId = d.stranger.id; },
         DeskError::Code::notFound, "agentId"},
        {"an unknown status", [](Conversation& c, auto&, auto&) { c.status = "PENDING"; }, DeskError::Code::invalid,
         "status"},
        {"a message of no direction", [](auto&, std::vector<Message>& h, auto&) { h[1].direction = "SIDEWAYS"; },
         DeskError::Code::invalid, "direction"},
        {"a message too long", [](auto&, std::vector<Message>& h, auto&) { h[0].text.assign(5000, 'x'); },
         DeskError::Code::invalid, "message"},
        {"invalid UTF-8", [](Conversation& c, auto&, auto&) { c.subject = "\xC3\x28"; }, DeskError::Code::invalid,
         "subject"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        ImportDesk desk;
        Conversation first;
        first.id = "c-first";
        first.userId = desk.sam.id;
        first.number = 1;
        desk.engine->importConversation(first, {});
        Conversation conversation = desk.kettle();
        auto history = ImportDesk::history();
        test.spoil(conversation, history, desk);
        try {
            desk.engine->importConversation(conversation, history);
            ADD_FAILURE() << "accepted";
        } catch (const DeskError& error) {
            EXPECT_EQ(error.code(), test.code);
            EXPECT_EQ(error.field(), test.field);
        }
        EXPECT_EQ(desk.engine->conversationsOf(desk.sam.id, false).size(), 1u);
        EXPECT_TRUE(desk.engine->messages("c-kettle", 0).empty());
    }
}

}  // namespace
