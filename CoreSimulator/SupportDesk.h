#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "CoreSimulator/SimulatorWorker.h"
#include "Velmaro/CoreInterface/CoreLibrary.h"

namespace velmaro {

// The embedded default core library: an in-process support desk for one tenant, with end users,
// conversations and an agent who answers live chat messages. Every completion and chat event is
// delivered on the desk's own worker thread after the configured latency, never on the caller's
// thread; loadConfig, loadUser and clearUserDetails answer at once. Safe to call from any thread.
class SupportDesk : public CoreLibrary {
public:
    struct Options {
        double latency = 0.2;          // seconds before each completion or chat event
        double agentReplyDelay = 1.5;  // seconds from a customer's message to the agent's answer
        std::string agentName = "Alex";
        std::string agentAvatarUrl;
        // The agent's answer to a customer's message; empty: a standard acknowledgement.
        std::function<std::string(const std::string& customerMessage)> agentReply;
        // Seconds a dropped live connection stays down before the desk reconnects by itself.
        double reconnectDelay = 2.0;

        // Faults on purpose, for tests and demos. Each is a probability in [0, 1], rolled where
        // the fault can strike, from one generator seeded with `seed`, so that a run can be
        // replayed (as far as the timing of the threads involved allows).
        struct Chaos {
            std::uint64_t seed = 0;
            double dropConnection = 0;          // per message event: the link drops before it
            double duplicateEcho = 0;           // per message event: delivered twice
            double reorderEvents = 0;           // per message event: overtaken by the next one
            double delayEcho = 0;               // per echo: held until the next send's echo
            double serverError = 0;             // per request: a server error, nothing done
            double randomThreadCompletion = 0;  // per completion: run on a global-queue thread
            double malformedEvent = 0;          // per message event: followed by a broken copy
            // Seconds at most that reordering or a delay holds an event back.
            double holdLimit = 1.0;

            // Every fault on, at moderate rates.
            static Chaos all(std::uint64_t seed);
        };
        std::optional<Chaos> chaos;

        // Sees every chat message event as it goes out to the chat, on the desk's thread.
        std::function<void(const AnyDictionary& event)> chatEventObserver;
    };

    // Identities of the rating scale, worst first.
    static const std::vector<std::string>& satisfactionScoreIds();

    explicit SupportDesk(Config tenant);
    SupportDesk(Config tenant, Options options);
    ~SupportDesk() override;

    // Adds a conversation for demos and tests, as it stands (activities, agent, unseen count).
    // Fills what is missing: id, number, status "OPEN", dateTime now. Answers the id.
    std::string seedConversation(ConversationModel conversation);
    // The agent closes a conversation: it becomes "CLOSED" and a chat connected to it receives
    // "INTERACTION_CLOSED_RESPONSE". Unknown ids are ignored.
    void closeConversation(const std::string& conversationId);
    // The agent writes in the chat connected at that moment, after the latency, as typed at the
    // desk. Without a connected chat the text goes nowhere.
    void agentSays(std::string text);
    // What the desk holds now, for demos and tests.
    std::optional<ConversationModel> conversation(const std::string& conversationId) const;
    std::optional<std::string> conversationScore(const std::string& conversationId) const;
    std::vector<UserModel> users() const;
    // The live connection fails now: the chat hears disconnected(), and after the reconnect delay
    // the desk reconnects by itself (connecting(), connected()). Meanwhile messages to and from
    // the chat wait and go out after the reconnection. Nothing happens without a connected chat.
    void dropConnection();

    // CoreLibrary
    void getAllConversations(std::optional<StringDictionary> parameters,
                             ServiceCompletion<std::vector<ConversationModel>> completion) override;
    void getConversation(std::string conversationId,
                         ServiceCompletion<ConversationModel> completion) override;
    void createConversation(std::optional<StringDictionary> parameters,
                            ServiceCompletion<ConversationModel> completion) override;
    void setConversationSeen(std::string conversationId,
                             ServiceCompletion<ConversationModel> completion) override;
    void getSatisfactionScores(
        ServiceCompletion<std::vector<SatisfactionScoreModel>> completion) override;
    void sendConversationScore(std::string conversationId, std::string scoreId,
                               ServiceCompletion<ConversationModel> completion) override;
    void createEndUser(std::optional<StringDictionary> userParameters,
                       ServiceCompletion<UserModel> completion) override;
    void updateUser(StringDictionary userParameters, ServiceCompletion<UserModel> completion) override;
    std::optional<UserModel> loadUser() override;
    void authenticateUser(UserModel user, UserModel::AuthenticationCompletion completion) override;
    void clearUserDetails(UserModel user) override;
    std::optional<Config> loadConfig() override;
    void configureChat(std::optional<std::string> tenantId, std::optional<std::string> userId,
                       std::optional<std::string> chatId,
                       std::weak_ptr<ChatEventDelegate> delegate) override;
    void connectChat(std::optional<std::string> firstMessage) override;
    double sendMessage(std::string message) override;
    void subscribe() override;
    void disconnectChat() override;

private:
    template <class T>
    struct Reply {
        std::optional<T> result;
        std::optional<ServiceError> error;
    };
    struct ChatSession {
        std::optional<std::string> tenantId, userId, chatId;
        std::weak_ptr<ChatEventDelegate> delegate;
        bool connected = false;
        bool linkDown = false;  // connected, but the link has dropped until the desk reconnects
    };
    struct ChatEvent {
        AnyDictionary event;
        bool echo = false;  // the echo of the customer's own message
    };
    // An event held back by reordering or a delayed echo, until a later event has gone out.
    struct HeldEvent {
        ChatEvent chatEvent;
        bool untilNextEcho = false;
        std::uint64_t session = 0;
        std::uint64_t id = 0;
    };
    struct OutgoingMessage {
        std::string text;
        double messageId = 0;
    };
    struct RegisteredUser {
        UserModel user;
        std::string token;
    };

    // Runs `handle` on the worker after the latency and hands its reply to the completion,
    // outside the desk's lock.
    template <class T>
    void respond(ServiceCompletion<T> completion, std::function<Reply<T>()> handle);
    // Worker only: the delegate of a connected session on `conversationId` (any, when empty).
    std::shared_ptr<ChatEventDelegate> connectedDelegateLocked(const std::string& conversationId) const;
    void receiveCustomerMessage(const std::string& text, double messageId);
    void answerAsAgent(const std::string& conversationId, const std::string& customerMessage);
    // Worker only: hands a message event to the connected chat of the conversation, through the
    // faults switched on.
    void sendChatEvent(const std::string& conversationId, ChatEvent chatEvent);
    void deliver(const std::shared_ptr<ChatEventDelegate>& delegate, const std::vector<AnyDictionary>& events);
    void releaseHeld(std::uint64_t id);
    void reconnect(std::uint64_t link);
    // The link goes down now; the desk reconnects after the delay.
    void dropLocked();
    // A new session or the chat's own disconnect: what waited for the old link is settled.
    void endSessionLocked();
    // Chaos only: true with the probability given.
    bool rollLocked(double probability);
    AnyDictionary malformedLocked(const AnyDictionary& event);

    ConversationModel* findLocked(const std::string& conversationId);
    RegisteredUser* findUserLocked(const std::string& userId);
    std::string newIdLocked(const std::string& prefix);
    static ServiceError unknownConversation(const std::string& conversationId);

    const Config tenant_;
    const Options options_;

    mutable std::mutex mutex_;
    std::vector<ConversationModel> conversations_;  // in creation order
    std::map<std::string, std::string> scores_;     // conversation id -> score id
    std::vector<RegisteredUser> users_;
    std::optional<UserModel> storedUser_;
    ChatSession chat_;
    int nextNumber_ = 1;
    double nextMessageId_ = 1;
    std::mt19937_64 random_;
    std::mt19937_64 chaosRandom_;
    std::uint64_t session_ = 0;  // changes with every configureChat and disconnectChat
    std::uint64_t link_ = 0;     // changes with every drop and session; voids stale reconnects
    std::uint64_t nextHeldId_ = 0;
    std::vector<ChatEvent> waitingForLink_;      // events for the chat while the link is down
    std::vector<OutgoingMessage> outbox_;        // the customer's messages while the link is down
    std::vector<HeldEvent> held_;

    // Last: destroyed first, so no task runs against members already gone.
    SimulatorWorker worker_;
};

}  // namespace velmaro
