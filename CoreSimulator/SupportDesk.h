#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "CoreSimulator/SimulatorWorker.h"
#include "Desk/DeskEngine.h"
#include "Velmaro/CoreInterface/CoreLibrary.h"

namespace velmaro {

// The embedded default core library: the desk engine in the host's own process, for one tenant,
// with an agent who answers live chat messages. The engine keeps every record and holds every rule;
// this face adds what a core library does around it: its own thread, latency, faults on purpose and
// the chat's live events. It serves the one device it runs in: it lists the tenant's conversations
// and acts for each conversation's own customer. Every completion and chat event is delivered on
// the desk's own worker thread after the configured latency, never on the caller's thread;
// loadConfig, loadUser and clearUserDetails answer at once. Safe to call from any thread.
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

        // Where the desk keeps its records: empty, in memory (gone with the desk); otherwise an
        // SQLite file that keeps every conversation, message, score and user across runs. The
        // tokens of the users are shown once, to the face that registered them: a user of an
        // earlier run is not handed to whoever names it again.
        std::string databasePath;
    };

    // Identities of the rating scale, worst first.
    static const std::vector<std::string>& satisfactionScoreIds();

    // Throws desk::DeskError when the database cannot be opened.
    explicit SupportDesk(Config tenant);
    SupportDesk(Config tenant, Options options);
    ~SupportDesk() override;

    // Adds a conversation for demos and tests, as it stands (activities, agent, unseen count),
    // for the signed-in user or, without one, for the device's walk-in customer. Fills what is
    // missing or taken: id, number, status "OPEN", dateTime now. Answers the id.
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
        std::string customerId;  // the connected conversation's own customer
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
    // A user registered through this face: the token the desk showed once, and the host's own
    // token for the user when it gave one (what authentication stores on the device).
    struct DeviceUser {
        std::string id;
        std::string token;
        std::string hostToken;
    };

    // Runs `handle` on the worker after the latency and hands its reply to the completion,
    // outside the desk's lock. A refusal of the engine becomes the reply's error.
    template <class T>
    void respond(ServiceCompletion<T> completion, std::function<Reply<T>()> handle);
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
    // What the customer sent while the link was down, when the session ends before it is back.
    struct Unsent {
        std::string conversationId;
        std::string customerId;
        std::vector<OutgoingMessage> messages;
    };
    // A new session or the chat's own disconnect: what waited for the old link is settled. Answers
    // the customer's messages that never left, to be stored outside the lock (storeUnsent).
    Unsent endSessionLocked();
    void storeUnsent(const Unsent& unsent);
    // Tells the engine's question "is the customer watching?" what the chat session now says.
    void watchLocked();
    // Chaos only: true with the probability given.
    bool rollLocked(double probability);
    AnyDictionary malformedLocked(const AnyDictionary& event);

    // --- Between the layer's records and the engine's.
    ConversationModel model(const desk::Conversation& conversation) const;
    std::optional<desk::Conversation> find(const std::string& conversationId) const;
    std::optional<desk::User> findUser(const std::string& userId) const;
    // Who a new conversation belongs to: the signed-in user, or the device's walk-in customer.
    std::string ownerForNewConversation();
    // The tenant's agent shown under that name, added the first time.
    desk::Agent agentNamed(const std::string& name, const std::string& avatarUrl);
    double nextMessageId();

    const Config tenant_;
    const Options options_;
    std::unique_ptr<desk::DeskEngine> engine_;
    desk::Agent agent_;  // who answers and closes

    mutable std::mutex mutex_;
    std::vector<DeviceUser> deviceUsers_;
    std::string walkInUserId_;  // empty until a conversation needs an owner with nobody signed in
    std::optional<UserModel> storedUser_;
    ChatSession chat_;
    double nextMessageId_ = 1;  // the ids sendMessage answers; the echo carries them back
    std::mt19937_64 chaosRandom_;
    std::uint64_t session_ = 0;  // changes with every configureChat and disconnectChat
    std::uint64_t link_ = 0;     // changes with every drop and session; voids stale reconnects
    std::uint64_t nextHeldId_ = 0;
    std::vector<ChatEvent> waitingForLink_;      // events for the chat while the link is down
    std::vector<OutgoingMessage> outbox_;        // the customer's messages while the link is down
    std::vector<HeldEvent> held_;

    // The conversation whose chat is connected, asked by the engine under its own lock: guarded
    // apart, and never held while calling the engine.
    mutable std::mutex watchedMutex_;
    std::optional<std::string> watched_;

    // Last: destroyed first, so no task runs against members already gone.
    SimulatorWorker worker_;
};

}  // namespace velmaro
