#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Velmaro/CoreInterface/CoreLibrary.h"

namespace velmaro {

namespace network {
class HttpWorker;
struct HttpResponse;
class LiveLink;
}  // namespace network

// The core library of a host in the field: every operation goes to a velmaro-desk over its
// protocol (HTTP for requests, WebSockets for the live chat and the user's notices). Completions
// arrive on the request worker's thread, chat events and notices on the sockets' thread, never on
// the caller's. loadUser answers at once; loadConfig asks the desk the first time (waiting at
// most the request timeouts) and keeps the answer. Safe to call from any thread.
class NetworkCore : public CoreLibrary {
public:
    struct Options {
        // Where the desk answers, e.g. "http://127.0.0.1:8080", when deskUrls is empty.
        std::string deskUrl = "http://127.0.0.1:8080";
        // Several addresses of one support desk (desks that share one database). The core talks
        // to one at a time and moves to the next, wrapping, when its desk is gone (refused, reset
        // or silent); it stays on the one that works. When not empty, deskUrl is not read.
        std::vector<std::string> deskUrls;
        std::chrono::milliseconds connectTimeout{5000};
        std::chrono::milliseconds requestTimeout{15000};
        // A request that got no answer, or a 502/503/504, is tried this often in all, with the
        // same idempotency key; with several desks, once more for each further desk, so every
        // desk gets a try.
        int attempts = 3;
        std::chrono::milliseconds retryDelay{200};
        // The sockets: how soon they come back after a drop, and when a silent peer counts as gone.
        std::chrono::milliseconds firstReconnectDelay{250};
        std::chrono::milliseconds maximumReconnectDelay{15000};
        std::chrono::milliseconds socketIdleTimeout{20000};
        // An agent wrote while the user's chat was not open: the payload
        // SupportUI::handlePushNotification takes ("conversationId", and the message under
        // "message"), on the sockets' thread. Without it the notice socket stays closed.
        std::function<void(const AnyDictionary& pushNotification)> pushNotificationReceived;
    };

    explicit NetworkCore(Options options);
    ~NetworkCore() override;
    NetworkCore(const NetworkCore&) = delete;
    NetworkCore& operator=(const NetworkCore&) = delete;

    // CoreLibrary
    void getAllConversations(std::optional<StringDictionary> parameters,
                             ServiceCompletion<std::vector<ConversationModel>> completion) override;
    void getConversation(std::string conversationId, ServiceCompletion<ConversationModel> completion) override;
    void createConversation(std::optional<StringDictionary> parameters,
                            ServiceCompletion<ConversationModel> completion) override;
    void setConversationSeen(std::string conversationId, ServiceCompletion<ConversationModel> completion) override;
    void getSatisfactionScores(ServiceCompletion<std::vector<SatisfactionScoreModel>> completion) override;
    void sendConversationScore(std::string conversationId, std::string scoreId,
                               ServiceCompletion<ConversationModel> completion) override;
    void createEndUser(std::optional<StringDictionary> userParameters, ServiceCompletion<UserModel> completion) override;
    void updateUser(StringDictionary userParameters, ServiceCompletion<UserModel> completion) override;
    std::optional<UserModel> loadUser() override;
    void authenticateUser(UserModel user, UserModel::AuthenticationCompletion completion) override;
    void clearUserDetails(UserModel user) override;
    std::optional<Config> loadConfig() override;
    void configureChat(std::optional<std::string> tenantId, std::optional<std::string> userId,
                       std::optional<std::string> chatId, std::weak_ptr<ChatEventDelegate> delegate) override;
    void connectChat(std::optional<std::string> firstMessage) override;
    double sendMessage(std::string message) override;
    void subscribe() override;
    void disconnectChat() override;

    // The desk's token of the signed-in user, or empty: for a host that also talks to the desk
    // itself, as the same user.
    std::string signedInToken() const;

    class Impl;

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace velmaro
