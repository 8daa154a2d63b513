#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Velmaro/CoreInterface/CoreLibrary.h"

namespace velmaro {

// A core library for tests: records every call with its arguments and keeps each completion until
// the test delivers it, on the thread the test chooses. loadConfig and loadUser answer what the
// test set; clearUserDetails forgets the stored user.
class RecordingCore : public CoreLibrary {
public:
    // Where a completion or chat event runs: on the thread that delivers it (the test's main
    // thread), or on a fresh background thread that has finished when the delivery returns.
    enum class Thread { caller, background };

    struct Call {
        std::string operation;    // the CoreLibrary operation's name, e.g. "getConversation"
        AnyDictionary arguments;  // by parameter name; an absent optional is null
    };

    using Result = std::variant<std::monostate, ConversationModel, std::vector<ConversationModel>,
                                std::vector<SatisfactionScoreModel>, UserModel, bool>;

    // Makes a recording core and installs it.
    static std::shared_ptr<RecordingCore> install();

    void setConfig(std::optional<Config> config);
    void setStoredUser(std::optional<UserModel> user);
    std::optional<UserModel> storedUser() const;

    std::vector<Call> calls() const;
    std::vector<Call> calls(const std::string& operation) const;
    std::size_t callCount(const std::string& operation) const;
    std::optional<Call> lastCall(const std::string& operation) const;
    // Completions of `operation` not yet delivered (calls without a handler leave none).
    std::size_t pendingCount(const std::string& operation) const;

    // Runs the completion of the oldest undelivered call of `operation` with the result (none for
    // std::monostate) and error. False when nothing is pending; a result of the wrong kind for
    // the operation throws std::invalid_argument.
    bool deliver(const std::string& operation, Result result,
                 std::optional<ServiceError> error = std::nullopt, Thread thread = Thread::caller);
    // Delivers no result and a connection error with the given description.
    bool deliverError(const std::string& operation, const std::string& customDescription,
                      Thread thread = Thread::caller);

    // Chat events to the delegate of the latest configureChat; false when it is gone or unset.
    bool emitConnecting(Thread thread = Thread::caller);
    bool emitConnected(Thread thread = Thread::caller);
    bool emitDisconnected(Thread thread = Thread::caller);
    bool emitMessage(AnyDictionary message, Thread thread = Thread::caller);
    bool emitError(std::string errorDescription, Thread thread = Thread::caller);
    std::shared_ptr<ChatEventDelegate> chatDelegate() const;

    // A message event as a core delivers it.
    static AnyDictionary messageEvent(const std::string& type, const std::string& senderType,
                                      const std::string& message, double messageId);

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
    struct Pending {
        std::string operation;
        std::size_t resultIndex;  // the Result alternative the completion takes
        std::function<void(const Result&, std::optional<ServiceError>)> complete;
    };

    void record(std::string operation, AnyDictionary arguments);
    template <class T>
    void recordWithCompletion(std::string operation, AnyDictionary arguments,
                              ServiceCompletion<T> completion);
    bool emit(std::function<void(ChatEventDelegate&)> event, Thread thread);
    static void run(const std::function<void()>& work, Thread thread);

    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    std::deque<Pending> pending_;
    std::optional<Config> config_;
    std::optional<UserModel> storedUser_;
    std::weak_ptr<ChatEventDelegate> delegate_;
    double nextMessageId_ = 1;
};

}  // namespace velmaro
