#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "CoreSimulator/SupportDesk.h"
#include "Dispatch/DispatchQueue.h"
#include "Foundation/DateFormatter.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "Velmaro/CoreInterface/ChatService.h"
#include "Velmaro/CoreInterface/ConversationService.h"
#include "Velmaro/CoreInterface/CoreService.h"
#include "Velmaro/CoreInterface/MessageModel.h"
#include "support/Platform/MainLoopTest.h"
#include "support/Platform/ScratchFolder.h"

using namespace velmaro;

namespace {

template <class T>
struct Outcome {
    std::optional<T> result;
    std::optional<ServiceError> error;
    bool onMainThread = true;
};

// Records chat events with the thread they arrived on.
class ChatLog : public ChatEventDelegate {
public:
    void connecting() override { add("connecting"); }
    void connected() override { add("connected"); }
    void disconnected() override { add("disconnected"); }
    void chatMessageReceived(const AnyDictionary& message) override {
        auto model = MessageModel::fromJson(message);
        std::lock_guard lock(mutex_);
        if (model) messages_.push_back(*model);
        push(model ? model->type.substr(0, model->type.find('_')) + ":" + model->senderType + ":" +
                         model->message
                   : "unreadable");
    }
    void chatErrorReceived(const std::string& errorDescription) override {
        add("error:" + errorDescription);
    }

    std::vector<std::string> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<MessageModel> messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::size_t count() const { return events().size(); }
    bool allOffMainThread() const {
        std::lock_guard lock(mutex_);
        return offMain_;
    }
    bool receivedOn(std::thread::id thread) const {
        std::lock_guard lock(mutex_);
        return threads_.count(thread) > 0;
    }

private:
    void add(std::string event) {
        std::lock_guard lock(mutex_);
        push(std::move(event));
    }
    void push(std::string event) {
        events_.push_back(std::move(event));
        offMain_ = offMain_ && !RunLoop::isMainThread();
        threads_.insert(std::this_thread::get_id());
    }
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<MessageModel> messages_;
    bool offMain_ = true;
    std::set<std::thread::id> threads_;
};

class SupportDeskTest : public MainLoopTest {
protected:
    void SetUp() override {
        MainLoopTest::SetUp();
        installDesk(false);
    }
    void TearDown() override {
        installCoreLibrary(nullptr);
        desk.reset();
        MainLoopTest::TearDown();
    }

    void installDesk(bool userNameRequired, double agentReplyDelay = 0,
                     std::optional<SupportDesk::Options::Chaos> chaos = std::nullopt) {
        SupportDesk::Options options;
        options.chaos = std::move(chaos);
        options.reconnectDelay = 0.01;
        options.latency = 0;
        options.agentReplyDelay = agentReplyDelay;
        options.agentName = "Sam";
        options.agentAvatarUrl = "https://acme.example/sam.png";
        options.agentReply = [](const std::string& text) { return "Re: " + text; };
        installCoreLibrary(nullptr);
        desk = std::make_shared<SupportDesk>(
            Config{userNameRequired, "acme", "Acme", "https://acme.example/logo.png",
                   RGBAColor(0.2, 0.4, 0.6, 1)},
            options);
        installCoreLibrary(desk);
    }

    // Calls a core operation and waits on the main run loop for its completion, which is handed
    // over through the main queue as the layer does.
    template <class T, class Call>
    Outcome<T> await(Call call) {
        auto outcome = std::make_shared<std::optional<Outcome<T>>>();
        call([outcome](std::optional<T> result, std::optional<ServiceError> error) {
            bool onMain = RunLoop::isMainThread();
            DispatchQueue::main().async([outcome, result, error, onMain] {
                *outcome = Outcome<T>{result, error, onMain};
            });
        });
        EXPECT_TRUE(waitFor([&] { return outcome->has_value(); }));
        return outcome->value_or(Outcome<T>{});
    }

    UserModel registerUser(StringDictionary parameters) {
        auto outcome = await<UserModel>([&](auto done) {
            CoreService::shared().createEndUser(parameters, done);
        });
        EXPECT_TRUE(outcome.result) << (outcome.error ? outcome.error->customDescription : "");
        return outcome.result.value_or(UserModel{});
    }

    ConversationModel create(const std::string& description) {
        auto outcome = await<ConversationModel>([&](auto done) {
            ConversationService::shared().createConversation(
                StringDictionary{{"description", description}}, done);
        });
        EXPECT_TRUE(outcome.result);
        return outcome.result.value_or(ConversationModel{});
    }

    std::vector<ConversationModel> list(std::optional<StringDictionary> parameters) {
        return await<std::vector<ConversationModel>>([&](auto done) {
                   ConversationService::shared().getAllConversations(parameters, done);
               })
            .result.value_or(std::vector<ConversationModel>{});
    }

    std::shared_ptr<SupportDesk> desk;
};

TEST_F(SupportDeskTest, ConfigurationIsTheTenantsAndCompletionsArriveOffTheMainThread) {
    auto config = Config::loadConfig();
    ASSERT_TRUE(config);
    EXPECT_EQ(config->tenantId, "acme");
    EXPECT_EQ(config->name, "Acme");

    auto scores = await<std::vector<SatisfactionScoreModel>>(
        [](auto done) { ConversationService::shared().getSatisfactionScores(done); });
    EXPECT_FALSE(scores.onMainThread);
    ASSERT_TRUE(scores.result);
    std::vector<std::string> ids;
    for (const auto& score : *scores.result) ids.push_back(score.id);
    EXPECT_EQ(ids, SupportDesk::satisfactionScoreIds());
    EXPECT_EQ(ids.size(), 5u);
    EXPECT_EQ(ids.front(), "VERY_DISSATISFIED");
}

TEST_F(SupportDeskTest, EndUsersAreRegisteredOrFoundByUserNameAndAnonymousUsersReturn) {
    EXPECT_FALSE(UserModel::loadUser());
    UserModel ana = registerUser({{"userName", "ana@example.com"}, {"firstName", "Ana"}});
    EXPECT_FALSE(ana.id.empty());
    EXPECT_EQ(ana.userName, "ana@example.com");
    EXPECT_EQ(ana.firstName, "Ana");
    EXPECT_EQ(UserModel::loadUser(), ana);

    UserModel again = registerUser({{"userName", "ana@example.com"}, {"lastName", "Lee"}});
    EXPECT_EQ(again.id, ana.id);
    EXPECT_EQ(again.firstName, "Ana");
    EXPECT_EQ(again.lastName, "Lee");

    UserModel anonymous = registerUser({});
    EXPECT_NE(anonymous.id, ana.id);
    EXPECT_EQ(anonymous.userName, "");
    EXPECT_EQ(registerUser({{"userName", ""}}).id, anonymous.id);  // the device's user again
    EXPECT_EQ(desk->users().size(), 2u);

    auto absent = await<UserModel>(
        [](auto done) { CoreService::shared().createEndUser(std::nullopt, done); });
    ASSERT_TRUE(absent.result);
    EXPECT_EQ(absent.result->id, anonymous.id);
}

TEST_F(SupportDeskTest, ATenantThatRequiresAUserNameRefusesAnonymousRegistration) {
    installDesk(true);
    auto outcome = await<UserModel>(
        [](auto done) { CoreService::shared().createEndUser(StringDictionary{}, done); });
    EXPECT_FALSE(outcome.result);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->customDescription, "Acme support needs a user name to register you");
    EXPECT_FALSE(UserModel::loadUser());
}

TEST_F(SupportDeskTest, AuthenticationStoresTheTokenUnderTheUserIdAndPostsSavedAuthFirst) {
    UserModel user = registerUser({{"userName", "bo@example.com"}, {"endUserToken", "secret"}});
    std::mutex mutex;
    std::vector<std::string> seen;
    auto token = NotificationCenter::defaultCenter().addObserver(
        "SavedAuth", nullptr, [&](const Notification& notification) {
            std::lock_guard lock(mutex);
            seen.push_back(stringValue(notification.userInfo, "userId").value_or("?") + "@" +
                           UserDefaults::standard().string(user.id + "v3lm4r0t0k3n").value_or(""));
        });
    auto outcome = await<bool>([&](auto done) {
        UserModel::loadUser()->authenticateUser([done](bool success, std::optional<ServiceError> error) {
            done(success, error);
        });
    });
    EXPECT_EQ(outcome.result, true);
    EXPECT_FALSE(outcome.error);
    EXPECT_FALSE(outcome.onMainThread);
    std::lock_guard lock(mutex);
    EXPECT_EQ(seen, std::vector<std::string>{user.id + "@secret"});
}

TEST_F(SupportDeskTest, AuthenticatingAnUnknownUserFailsWithoutStoringAnything) {
    UserModel stranger{"user-nobody", "", "", "", "x@example.com"};
    auto outcome = await<bool>([&](auto done) {
        stranger.authenticateUser([done](bool success, auto error) { done(success, error); });
    });
    EXPECT_EQ(outcome.result, false);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->customDescription, "The end user \"user-nobody\" is not registered");
    EXPECT_FALSE(UserDefaults::standard().object("user-nobodyv3lm4r0t0k3n"));
}

TEST_F(SupportDeskTest, UpdatingNamesAndLoggingOut) {
    auto noUser = await<UserModel>(
        [](auto done) { CoreService::shared().updateUser({{"firstName", "X"}}, done); });
    ASSERT_TRUE(noUser.error);
    EXPECT_EQ(noUser.error->customDescription, "No end user is signed in");

    UserModel user = registerUser({{"userName", "cy@example.com"}, {"firstName", "Cy"}});
    auto updated = await<UserModel>([](auto done) {
        CoreService::shared().updateUser({{"firstName", "Cyril"}, {"lastName", "Moss"}}, done);
    });
    ASSERT_TRUE(updated.result);
    EXPECT_EQ(updated.result->firstName, "Cyril");
    EXPECT_EQ(updated.result->lastName, "Moss");
    EXPECT_EQ(UserModel::loadUser()->lastName, "Moss");

    await<bool>([&](auto done) {
        user.authenticateUser([done](bool success, auto error) { done(success, error); });
    });
    EXPECT_TRUE(UserDefaults::standard().string(user.id + "v3lm4r0t0k3n"));
    UserModel::loadUser()->clearUserDetails();
    EXPECT_FALSE(UserModel::loadUser());
    EXPECT_FALSE(UserDefaults::standard().object(user.id + "v3lm4r0t0k3n"));
    // The desk still knows the user: registering again finds the same identity.
    EXPECT_EQ(registerUser({{"userName", "cy@example.com"}}).id, user.id);
}

TEST_F(SupportDeskTest, CreatingConversationsNumbersThemAndDatesThemInTheFullPattern) {
    auto missing = await<ConversationModel>([](auto done) {
        ConversationService::shared().createConversation(StringDictionary{{"endUserToken", "t"}}, done);
    });
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->customDescription, "Please describe your problem to open a conversation");
    auto blank = await<ConversationModel>([](auto done) {
        ConversationService::shared().createConversation(StringDictionary{{"description", " \n "}}, done);
    });
    EXPECT_TRUE(blank.error);
    EXPECT_TRUE(list(std::nullopt).empty());

    Date before = Date::now().addingTimeInterval(-1);
    auto first = create("My invoice is wrong\nIt shows twice the amount.");
    EXPECT_EQ(first.number, 1);
    EXPECT_EQ(first.subject, "My invoice is wrong");
    EXPECT_EQ(first.description, "My invoice is wrong\nIt shows twice the amount.");
    EXPECT_EQ(first.status, "OPEN");
    EXPECT_EQ(first.unseenActivityCount, 0);
    auto date = DateFormatter("yyyy-MM-dd'T'HH:mm:ss.SSSZ").dateFromString(first.dateTime);
    ASSERT_TRUE(date) << first.dateTime;
    EXPECT_GE(*date, before);

    auto second = create(std::string(100, 'x'));
    EXPECT_EQ(second.number, 2);
    EXPECT_NE(second.id, first.id);
    EXPECT_EQ(second.subject, std::string(60, 'x') + "…");

    auto all = list(std::nullopt);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].id, second.id);  // newest first
    EXPECT_EQ(all[1].id, first.id);
}

TEST_F(SupportDeskTest, SeededConversationsAndTheUnseenFilter) {
    ConversationModel seeded;
    seeded.id = "c-seen";
    seeded.subject = "Old";
    desk->seedConversation(seeded);
    ConversationModel unseen;
    unseen.subject = "Waiting";
    unseen.agentName = "Kim";
    unseen.unseenActivityCount = 2;
    unseen.activities = {{{ContentModel{"Hi, any news?", "OUTBOUND", Date(1000), "TEXT", ""}}}};
    std::string unseenId = desk->seedConversation(unseen);
    EXPECT_EQ(desk->conversation(unseenId)->number, 2);
    EXPECT_EQ(desk->conversation("c-seen")->status, "OPEN");

    auto onlyUnseen = list(StringDictionary{{"onlyUnseen", "true"}});
    ASSERT_EQ(onlyUnseen.size(), 1u);
    EXPECT_EQ(onlyUnseen[0].id, unseenId);
    EXPECT_EQ(onlyUnseen[0].agentName, "Kim");
    EXPECT_EQ(onlyUnseen[0].activities.size(), 1u);
    EXPECT_EQ(list(StringDictionary{{"onlyUnseen", "false"}}).size(), 2u);

    auto seen = await<ConversationModel>([&](auto done) {
        ConversationService::shared().setConversationSeen(unseenId, done);
    });
    ASSERT_TRUE(seen.result);
    EXPECT_EQ(seen.result->unseenActivityCount, 0);
    EXPECT_TRUE(list(StringDictionary{{"onlyUnseen", "true"}}).empty());
}

TEST_F(SupportDeskTest, UnknownConversationsAndScoresAreReportedAsErrors) {
    auto conversation = create("Broken login");
    auto get = await<ConversationModel>(
        [](auto done) { ConversationService::shared().getConversation("nope", done); });
    EXPECT_FALSE(get.result);
    ASSERT_TRUE(get.error);
    EXPECT_EQ(get.error->customDescription, "There is no conversation \"nope\"");
    EXPECT_FALSE(get.onMainThread);
    EXPECT_TRUE(await<ConversationModel>([](auto done) {
                    ConversationService::shared().setConversationSeen("nope", done);
                }).error);
    EXPECT_TRUE(await<ConversationModel>([](auto done) {
                    ConversationService::shared().sendConversationScore("nope", "NEUTRAL", done);
                }).error);
    auto badScore = await<ConversationModel>([&](auto done) {
        ConversationService::shared().sendConversationScore(conversation.id, "GREAT", done);
    });
    ASSERT_TRUE(badScore.error);
    EXPECT_EQ(badScore.error->customDescription, "There is no satisfaction score \"GREAT\"");
    EXPECT_FALSE(desk->conversationScore(conversation.id));

    auto scored = await<ConversationModel>([&](auto done) {
        ConversationService::shared().sendConversationScore(conversation.id, "SATISFIED", done);
    });
    ASSERT_TRUE(scored.result);
    EXPECT_EQ(scored.result->status, "CLOSED");
    EXPECT_EQ(desk->conversationScore(conversation.id), "SATISFIED");
}

class SupportDeskChatTest : public SupportDeskTest {
protected:
    void SetUp() override {
        SupportDeskTest::SetUp();
        prepare(0);
    }
    void prepare(double agentReplyDelay, std::optional<SupportDesk::Options::Chaos> chaos = std::nullopt) {
        installDesk(false, agentReplyDelay, std::move(chaos));
        user = registerUser({{"userName", "dee@example.com"}});
        conversation = create("Where is my parcel?");
        chatLog = std::make_shared<ChatLog>();
    }
    void connect(std::optional<std::string> firstMessage, const std::string& chatId) {
        ChatService::shared().configureChat("acme", user.id, chatId, chatLog);
        ChatService::shared().connectChat(std::move(firstMessage));
    }
    bool waitForEvents(std::size_t count) {
        return waitFor([&] { return chatLog->count() >= count; });
    }

    UserModel user;
    ConversationModel conversation;
    std::shared_ptr<ChatLog> chatLog;
};

TEST_F(SupportDeskChatTest, ConnectingSendsTheFirstMessageWhichIsEchoedThenAnswered) {
    connect("Where is my parcel?", conversation.id);
    ASSERT_TRUE(waitForEvents(4));
    EXPECT_EQ(chatLog->events(),
              (std::vector<std::string>{"connecting", "connected",
                                        "RECEIVED:CUSTOMER:Where is my parcel?",
                                        "RECEIVED:AGENT:Re: Where is my parcel?"}));
    EXPECT_TRUE(chatLog->allOffMainThread());

    double messageId = ChatService::shared().sendMessage("Thanks");
    ASSERT_TRUE(waitForEvents(6));
    auto messages = chatLog->messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[2].message, "Thanks");
    EXPECT_EQ(messages[2].senderType, "CUSTOMER");
    EXPECT_EQ(messages[2].messageId, messageId);  // what the sender matches its echo by
    EXPECT_EQ(messages[3].senderType, "AGENT");
    EXPECT_NE(messages[3].messageId, messageId);
    EXPECT_NE(messages[0].messageId, messageId);

    auto stored = desk->conversation(conversation.id);
    ASSERT_TRUE(stored);
    std::vector<std::string> directions;
    for (const auto& activity : stored->activities) directions.push_back(activity.contents.back().direction);
    EXPECT_EQ(directions, (std::vector<std::string>{"SYSTEM", "INBOUND", "OUTBOUND", "INBOUND", "OUTBOUND"}));
    EXPECT_EQ(stored->agentName, "Sam");
    EXPECT_EQ(stored->agentAvatarUrl, "https://acme.example/sam.png");
    EXPECT_EQ(stored->unseenActivityCount, 0);  // the customer was in the chat
}

TEST_F(SupportDeskChatTest, DisconnectingOnceEmitsDisconnectedAndLaterAnswersCountAsUnseen) {
    std::atomic<int> newMessages{0};
    auto token = NotificationCenter::defaultCenter().addObserver(
        "ReceivedNewVelmaroMessage", nullptr, [&](const Notification&) { ++newMessages; });
    prepare(0.3);  // time enough to leave the chat before the agent answers
    connect(std::nullopt, conversation.id);
    ASSERT_TRUE(waitForEvents(2));
    ChatService::shared().sendMessage("Hello?");
    ChatService::shared().disconnectChat();  // before the agent's answer
    ChatService::shared().disconnectChat();
    ASSERT_TRUE(waitFor([&] { return newMessages == 1; }));
    EXPECT_EQ(chatLog->events(), (std::vector<std::string>{"connecting", "connected",
                                                           "RECEIVED:CUSTOMER:Hello?",
                                                           "disconnected"}));
    EXPECT_EQ(desk->conversation(conversation.id)->unseenActivityCount, 1);
    EXPECT_EQ(list(StringDictionary{{"onlyUnseen", "true"}}).size(), 1u);

    ChatService::shared().sendMessage("Still there?");
    ASSERT_TRUE(waitForEvents(5));
    EXPECT_EQ(chatLog->events().back(), "error:The chat is not connected; the message was not sent");
}

TEST_F(SupportDeskChatTest, ConnectingToAnUnknownConversationOrTenantReportsAnError) {
    connect("lost", "nope");
    ASSERT_TRUE(waitForEvents(2));
    EXPECT_EQ(chatLog->events(), (std::vector<std::string>{
                                     "connecting", "error:There is no conversation \"nope\""}));

    ChatService::shared().configureChat("other", user.id, conversation.id, chatLog);
    ChatService::shared().connectChat(std::nullopt);
    ASSERT_TRUE(waitForEvents(4));
    EXPECT_EQ(chatLog->events()[3], "error:Unknown tenant \"other\"");
    EXPECT_EQ(desk->conversation(conversation.id)->activities.size(), 1u);  // nothing was sent
}

TEST_F(SupportDeskChatTest, TheAgentClosingTheConversationEndsTheInteraction) {
    connect(std::nullopt, conversation.id);
    ASSERT_TRUE(waitForEvents(2));
    desk->closeConversation(conversation.id);
    ASSERT_TRUE(waitForEvents(3));
    EXPECT_EQ(chatLog->events()[2], "INTERACTION:ANNOUNCER:Conversation closed");
    EXPECT_EQ(desk->conversation(conversation.id)->status, "CLOSED");
}

TEST_F(SupportDeskChatTest, TheAgentWritesInTheConnectedChatOnly) {
    desk->agentSays("Nobody is connected");  // goes nowhere, and is not stored
    connect(std::nullopt, conversation.id);
    ASSERT_TRUE(waitForEvents(2));
    desk->agentSays("Your parcel left the depot.");
    ASSERT_TRUE(waitForEvents(3));
    EXPECT_EQ(chatLog->events()[2], "RECEIVED:AGENT:Your parcel left the depot.");
    EXPECT_TRUE(chatLog->allOffMainThread());
    auto stored = desk->conversation(conversation.id);
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->activities.size(), 2u);
    EXPECT_EQ(stored->activities[1].contents[0].text, "Your parcel left the depot.");
    EXPECT_EQ(stored->activities[1].contents[0].direction, "OUTBOUND");
    EXPECT_EQ(stored->agentName, "Sam");

    ChatService::shared().disconnectChat();
    ASSERT_TRUE(waitForEvents(4));
    desk->agentSays("Hello?");
    desk->closeConversation(conversation.id);  // runs after the agent's line: a marker that it went
    ASSERT_TRUE(waitFor([&] { return desk->conversation(conversation.id)->status == "CLOSED"; }));
    EXPECT_EQ(chatLog->count(), 4u);
    EXPECT_EQ(desk->conversation(conversation.id)->activities.size(), 3u);  // only the closing line
}

TEST_F(SupportDeskChatTest, ADestroyedDelegateIsNotCalled) {
    ChatService::shared().configureChat("acme", user.id, conversation.id, chatLog);
    std::weak_ptr<ChatLog> watch = chatLog;
    chatLog.reset();
    EXPECT_TRUE(watch.expired());  // the desk holds its delegate weakly
    ChatService::shared().connectChat("Anyone?");
    // The chat works all the same; the desk records the answer even though nobody listens.
    ASSERT_TRUE(waitFor([&] {
        auto stored = desk->conversation(conversation.id);
        return stored && stored->activities.size() == 3;
    }));
    EXPECT_EQ(desk->conversation(conversation.id)->activities[1].contents[0].text, "Anyone?");
}

// ----- Faults on purpose

TEST_F(SupportDeskChatTest, ADroppedLinkComesBackByItselfAndWhatWaitedGoesOut) {
    connect(std::nullopt, conversation.id);
    ASSERT_TRUE(waitForEvents(2));
    desk->dropConnection();
    ChatService::shared().sendMessage("while down");
    ASSERT_TRUE(waitForEvents(7));
    EXPECT_EQ(chatLog->events(),
              (std::vector<std::string>{"connecting", "connected", "disconnected", "connecting", "connected",
                                        "RECEIVED:CUSTOMER:while down", "RECEIVED:AGENT:Re: while down"}));
}

TEST_F(SupportDeskChatTest, TheSameSeedReplaysTheSameFaults) {
    // Everything runs in order on the desk's worker here, so a seed gives one sequence of events.
    auto session = [&](std::uint64_t seed) {
        auto chaos = SupportDesk::Options::Chaos::all(seed);
        chaos.dropConnection = chaos.serverError = chaos.randomThreadCompletion = 0;
        chaos.holdLimit = 60;  // held events leave only behind later ones
        prepare(60, chaos);    // no agent answers
        connect(std::nullopt, conversation.id);
        for (int i = 0; i < 20; ++i) {
            std::string text = "m";
            text += std::to_string(i);
            ChatService::shared().sendMessage(text);
        }
        // A request queued behind the sends answers once every event of theirs has gone out.
        await<std::vector<SatisfactionScoreModel>>(
            [](auto done) { ConversationService::shared().getSatisfactionScores(done); });
        return chatLog->events();
    };
    const auto first = session(5);
    EXPECT_EQ(session(5), first);
    EXPECT_NE(session(6), first);
    EXPECT_GT(first.size(), 2u + 20u / 2);
}

TEST_F(SupportDeskTest, ChaosAnswersWithServerErrorsAndOnOtherThreads) {
    SupportDesk::Options::Chaos failing;
    failing.serverError = 1;
    installDesk(false, 0, failing);
    auto created = await<ConversationModel>([](auto done) {
        ConversationService::shared().createConversation(StringDictionary{{"description", "Help"}}, done);
    });
    EXPECT_FALSE(created.result);
    ASSERT_TRUE(created.error);
    EXPECT_EQ(created.error->kind, ServiceError::Kind::connection);
    EXPECT_TRUE(list(std::nullopt).empty());  // nothing was done

    SupportDesk::Options::Chaos elsewhere;
    elsewhere.randomThreadCompletion = 1;
    installDesk(false, 0, elsewhere);
    std::thread::id completionThread;
    auto log = std::make_shared<ChatLog>();
    std::mutex mutex;
    auto done = std::make_shared<std::atomic<bool>>(false);
    desk->configureChat("acme", "nobody", "none", log);
    desk->connectChat(std::nullopt);
    ConversationService::shared().getSatisfactionScores([&, done](auto scores, auto) {
        std::lock_guard lock(mutex);
        completionThread = std::this_thread::get_id();
        EXPECT_TRUE(scores);
        *done = true;
    });
    ASSERT_TRUE(waitFor([&] { return *done && log->count() >= 2; }));
    std::lock_guard lock(mutex);
    EXPECT_NE(completionThread, std::this_thread::get_id());
    EXPECT_FALSE(log->receivedOn(completionThread));
}


// ----- The desk engine's rules, reached through the embedded desk

TEST_F(SupportDeskChatTest, AClosedConversationRefusesTheChatsMessagesAndNobodyAnswers) {
    connect(std::nullopt, conversation.id);
    ASSERT_TRUE(waitForEvents(2));
    desk->closeConversation(conversation.id);
    ASSERT_TRUE(waitForEvents(3));
    desk->closeConversation(conversation.id);  // closing twice says nothing more
    ChatService::shared().sendMessage("Anyone there?");
    ASSERT_TRUE(waitForEvents(4));
    // A request queued behind the send and the agent's would-be answer.
    await<std::vector<SatisfactionScoreModel>>(
        [](auto done) { ConversationService::shared().getSatisfactionScores(done); });
    EXPECT_EQ(chatLog->events(),
              (std::vector<std::string>{"connecting", "connected", "INTERACTION:ANNOUNCER:Conversation closed",
                                        "error:The conversation is closed; the message was not sent"}));
    auto stored = desk->conversation(conversation.id);
    ASSERT_TRUE(stored);
    std::vector<std::string> kinds;
    for (const auto& activity : stored->activities) kinds.push_back(activity.contents.back().contentType);
    EXPECT_EQ(kinds, (std::vector<std::string>{"CONVERSATION_STARTED", "CONVERSATION_CLOSED"}));
}

TEST_F(SupportDeskTest, ConversationsOpenedBeforeSignInBelongToNoListedUser) {
    ConversationModel seeded;
    seeded.subject = "From before";
    const std::string seededId = desk->seedConversation(seeded);
    auto opened = create("Opened before signing in");
    EXPECT_TRUE(desk->users().empty());
    UserModel ana = registerUser({{"userName", "ana@example.com"}});
    ASSERT_EQ(desk->users().size(), 1u);
    EXPECT_EQ(desk->users().front().id, ana.id);
    // The device still lists, opens and rates them.
    auto all = list(std::nullopt);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].id, opened.id);
    EXPECT_EQ(all[1].id, seededId);
    auto scored = await<ConversationModel>([&](auto done) {
        ConversationService::shared().sendConversationScore(seededId, "NEUTRAL", done);
    });
    ASSERT_TRUE(scored.result);
    EXPECT_EQ(desk->conversationScore(seededId), "NEUTRAL");
}

class SupportDeskFileTest : public SupportDeskChatTest {
protected:
    void openDesk() {
        SupportDesk::Options options;
        options.latency = 0;
        options.agentReplyDelay = 0;
        options.agentName = "Sam";
        options.agentReply = [](const std::string& text) { return "Re: " + text; };
        options.databasePath = (folder.path() / "desk.sqlite").string();
        installCoreLibrary(nullptr);
        desk.reset();  // one desk on the file at a time, as one device runs one
        desk = std::make_shared<SupportDesk>(
            Config{false, "acme", "Acme", "", RGBAColor(0.2, 0.4, 0.6, 1)}, options);
        installCoreLibrary(desk);
    }
    ScratchFolder folder{"support-desk-file"};
};

TEST_F(SupportDeskFileTest, AFileDeskKeepsEveryConversationAcrossRunsAndEachUserToItsOwnDevice) {
    openDesk();
    user = registerUser({{"userName", "dee@example.com"}, {"firstName", "Dee"}});
    conversation = create("Where is my parcel?");
    connect("Where is my parcel?", conversation.id);
    ASSERT_TRUE(waitForEvents(4));
    ASSERT_TRUE(await<ConversationModel>([&](auto done) {
                    ConversationService::shared().sendConversationScore(conversation.id, "SATISFIED", done);
                }).result);
    const auto before = desk->conversation(conversation.id);
    ASSERT_TRUE(before);

    openDesk();  // the next run of the program
    EXPECT_FALSE(UserModel::loadUser());
    auto after = desk->conversation(conversation.id);
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, *before);
    EXPECT_EQ(after->status, "CLOSED");
    ASSERT_EQ(after->activities.size(), 3u);
    EXPECT_EQ(after->activities[2].contents[0].text, "Re: Where is my parcel?");
    EXPECT_EQ(desk->conversationScore(conversation.id), "SATISFIED");
    ASSERT_EQ(desk->users().size(), 1u);
    EXPECT_EQ(desk->users().front().firstName, "Dee");

    // This run was never shown Dee's token: naming Dee does not make it Dee.
    auto taken = await<UserModel>([](auto done) {
        CoreService::shared().createEndUser(StringDictionary{{"userName", "dee@example.com"}}, done);
    });
    EXPECT_FALSE(taken.result);
    ASSERT_TRUE(taken.error);
    EXPECT_EQ(taken.error->customDescription, "The user name is taken");
    EXPECT_FALSE(UserModel::loadUser());
    auto stranger = UserModel{user.id, "", "", "", user.userName};
    auto authenticated = await<bool>([&](auto done) {
        stranger.authenticateUser([done](bool success, auto error) { done(success, error); });
    });
    EXPECT_EQ(authenticated.result, false);

    auto fresh = create("A new one");
    EXPECT_EQ(fresh.number, 2);
}

}  // namespace
