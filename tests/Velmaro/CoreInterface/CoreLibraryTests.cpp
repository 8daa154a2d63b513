#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "Dispatch/DispatchQueue.h"
#include "Velmaro/CoreInterface/ChatService.h"
#include "Velmaro/CoreInterface/ConversationService.h"
#include "Velmaro/CoreInterface/CoreLibrary.h"
#include "Velmaro/CoreInterface/CoreService.h"
#include "support/Platform/MainLoopTest.h"
#include "support/Velmaro/RecordingCore.h"

using namespace velmaro;

namespace {

class EventLog : public ChatEventDelegate {
public:
    void connecting() override { add("connecting"); }
    void connected() override { add("connected"); }
    void disconnected() override { add("disconnected"); }
    void chatMessageReceived(const AnyDictionary& message) override {
        add("message:" + stringValue(message, "message").value_or("?"));
    }
    void chatErrorReceived(const std::string& errorDescription) override {
        add("error:" + errorDescription);
    }
    std::vector<std::string> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }

private:
    void add(std::string event) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
};

class NoCoreTest : public MainLoopTest {
protected:
    void SetUp() override {
        MainLoopTest::SetUp();
        installCoreLibrary(nullptr);
    }
};

TEST_F(NoCoreTest, EveryRequestFailsWithAClearErrorInsteadOfCrashing) {
    std::vector<std::string> errors;
    auto collect = [&errors](auto result, std::optional<ServiceError> error) {
        EXPECT_FALSE(result);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind, ServiceError::Kind::noCoreLibrary);
        errors.push_back(error->customDescription);
    };
    auto& conversations = ConversationService::shared();
    conversations.getAllConversations(std::nullopt, collect);
    conversations.getConversation("c", collect);
    conversations.createConversation(StringDictionary{{"description", "x"}}, collect);
    conversations.setConversationSeen("c", collect);
    conversations.getSatisfactionScores(collect);
    conversations.sendConversationScore("c", "s", collect);
    CoreService::shared().createEndUser(StringDictionary{}, collect);
    CoreService::shared().updateUser({{"firstName", "A"}}, collect);
    ASSERT_EQ(errors.size(), 8u);
    for (const auto& text : errors) EXPECT_EQ(text, "no core library installed");

    // Requests without a handler are dropped silently.
    conversations.getConversation("c", nullptr);
    CoreService::shared().createEndUser(std::nullopt, nullptr);
}

TEST_F(NoCoreTest, RecordOperationsAnswerNothingAndChatReportsToItsDelegate) {
    EXPECT_FALSE(Config::loadConfig());
    EXPECT_FALSE(UserModel::loadUser());

    UserModel user{"u", "A", "B", "", "a@b.c"};
    std::optional<bool> success;
    std::string description;
    user.authenticateUser([&](bool ok, std::optional<ServiceError> error) {
        success = ok;
        description = error ? error->customDescription : "";
    });
    EXPECT_EQ(success, false);
    EXPECT_EQ(description, "no core library installed");
    user.authenticateUser();
    user.clearUserDetails();

    auto log = std::make_shared<EventLog>();
    ChatService::shared().configureChat("t", "u", "c", log);
    ChatService::shared().connectChat("hello");
    EXPECT_TRUE(std::isnan(ChatService::shared().sendMessage("hello")));
    ChatService::shared().subscribe();
    ChatService::shared().disconnectChat();
    EXPECT_EQ(log->events(), std::vector<std::string>{"error:no core library installed"});
}

class ForwardingTest : public MainLoopTest {
protected:
    void SetUp() override {
        MainLoopTest::SetUp();
        core = RecordingCore::install();
    }
    void TearDown() override {
        installCoreLibrary(nullptr);
        MainLoopTest::TearDown();
    }
    std::shared_ptr<RecordingCore> core;
};

TEST_F(ForwardingTest, ServicesForwardArgumentsAndCompletionsArriveWhereTheCoreDeliversThem) {
    std::optional<std::vector<ConversationModel>> received;
    std::atomic<bool> onMain{true};
    ConversationService::shared().getAllConversations(
        StringDictionary{{"onlyUnseen", "true"}},
        [&](auto conversations, std::optional<ServiceError> error) {
            onMain = RunLoop::isMainThread();
            EXPECT_FALSE(error);
            DispatchQueue::main().async([&, conversations] { received = conversations; });
        });
    auto call = core->lastCall("getAllConversations");
    ASSERT_TRUE(call);
    EXPECT_EQ(call->arguments.at("parameters"), Any(AnyDictionary{{"onlyUnseen", "true"}}));
    EXPECT_EQ(core->pendingCount("getAllConversations"), 1u);

    ConversationModel conversation;
    conversation.id = "c-1";
    ASSERT_TRUE(core->deliver("getAllConversations", std::vector{conversation}, std::nullopt,
                              RecordingCore::Thread::background));
    EXPECT_FALSE(onMain);
    EXPECT_FALSE(received);  // the hop to the main queue has not run yet
    drain();
    ASSERT_TRUE(received);
    ASSERT_EQ(received->size(), 1u);
    EXPECT_EQ((*received)[0].id, "c-1");
    EXPECT_FALSE(core->deliver("getAllConversations", std::monostate{}));
}

TEST_F(ForwardingTest, WrongResultKindIsRejectedAndErrorsPassThrough) {
    std::string description;
    CoreService::shared().createEndUser(std::nullopt, [&](auto user, auto error) {
        EXPECT_FALSE(user);
        description = error ? error->customDescription : "";
    });
    EXPECT_TRUE(core->lastCall("createEndUser")->arguments.at("userParameters").isNull());
    EXPECT_THROW(core->deliver("createEndUser", true), std::invalid_argument);
    EXPECT_TRUE(core->deliverError("createEndUser", "User name taken"));
    EXPECT_EQ(description, "User name taken");
}

TEST_F(ForwardingTest, StoredUserAuthenticationAndLogout) {
    UserModel user{"u-1", "Ana", "Lee", "", "ana@example.com"};
    core->setStoredUser(user);
    core->setConfig(Config{true, "acme", "Acme", "", RGBAColor(1, 0, 0, 1)});
    EXPECT_EQ(Config::loadConfig()->tenantId, "acme");
    auto stored = UserModel::loadUser();
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, user);

    stored->authenticateUser();  // no handler: recorded, nothing to deliver
    EXPECT_EQ(core->lastCall("authenticateUser")->arguments.at("completion"), Any(false));
    EXPECT_EQ(core->pendingCount("authenticateUser"), 0u);
    bool success = false;
    stored->authenticateUser([&](bool ok, auto) { success = ok; });
    EXPECT_TRUE(core->deliver("authenticateUser", true));
    EXPECT_TRUE(success);

    stored->clearUserDetails();
    EXPECT_EQ(core->lastCall("clearUserDetails")->arguments.at("id"), Any("u-1"));
    EXPECT_FALSE(UserModel::loadUser());
}

TEST_F(ForwardingTest, ChatCallsAreRecordedAndEventsReachAWeaklyHeldDelegate) {
    auto log = std::make_shared<EventLog>();
    ChatService::shared().configureChat("acme", "u-1", std::nullopt, log);
    ChatService::shared().connectChat(std::nullopt);
    double first = ChatService::shared().sendMessage("one");
    double second = ChatService::shared().sendMessage("two");
    EXPECT_NE(first, second);
    auto configure = core->lastCall("configureChat");
    EXPECT_EQ(configure->arguments.at("tenantId"), Any("acme"));
    EXPECT_TRUE(configure->arguments.at("chatId").isNull());
    EXPECT_TRUE(core->lastCall("connectChat")->arguments.at("firstMessage").isNull());
    EXPECT_EQ(core->lastCall("sendMessage")->arguments.at("messageId"), Any(second));

    EXPECT_TRUE(core->emitConnecting());
    EXPECT_TRUE(core->emitConnected(RecordingCore::Thread::background));
    EXPECT_TRUE(core->emitMessage(
        RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "AGENT", "hi", 9)));
    EXPECT_EQ(log->events(), (std::vector<std::string>{"connecting", "connected", "message:hi"}));

    log.reset();  // the service does not keep a delegate alive
    EXPECT_FALSE(core->chatDelegate());
    EXPECT_FALSE(core->emitDisconnected());
}

TEST_F(ForwardingTest, ReinstallingSwitchesImplementations) {
    auto other = std::make_shared<RecordingCore>();
    installCoreLibrary(other);
    ConversationService::shared().getSatisfactionScores(nullptr);
    EXPECT_EQ(core->callCount("getSatisfactionScores"), 0u);
    EXPECT_EQ(other->callCount("getSatisfactionScores"), 1u);
    EXPECT_EQ(installedCoreLibrary(), other);
}

}  // namespace
