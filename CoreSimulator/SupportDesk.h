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

    // Last: destroyed first, so no task runs against members already gone.
    SimulatorWorker worker_;
};

}  // namespace velmaro
