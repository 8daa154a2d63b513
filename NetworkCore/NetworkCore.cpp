#include "NetworkCore/NetworkCore.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <future>
#include <random>

#include <nlohmann/json.hpp>

#include "Foundation/AnyJSON.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "NetworkCore/HttpWorker.h"
#include "NetworkCore/LiveLink.h"
#include "Velmaro/CoreInterface/StoredKeys.h"

namespace velmaro {

using nlohmann::json;
using network::HttpRequest;
using network::HttpResponse;
using network::HttpWorker;
using network::LiveLink;

namespace {

const char* const kNotConnected = "The chat is not connected; the message was not sent";

// 32 random characters: an idempotency key or a client message id.
std::string randomKey() {
    thread_local std::mt19937_64 random{std::random_device{}() ^
                                        (static_cast<std::uint64_t>(std::random_device{}()) << 32)};
    static const char digits[] = "0123456789abcdef";
    std::string key;
    for (int i = 0; i < 32; ++i) key += digits[random() % 16];
    return key;
}

std::optional<std::string> parameterOf(const std::optional<StringDictionary>& parameters, const std::string& key) {
    if (!parameters) return std::nullopt;
    auto it = parameters->find(key);
    if (it == parameters->end()) return std::nullopt;
    return it->second;
}


ServiceError unreachable() {
    return {ServiceError::Kind::connection, "The support desk cannot be reached. Please try again later."};
}
ServiceError unreadable() {
    return {ServiceError::Kind::connection, "The support desk sent an answer that cannot be read."};
}

// A refusal of the desk as the layer reads it: the problem document's detail (else its title).
ServiceError refusal(long status, const std::string& body) {
    std::string text;
    std::string field;
    auto problem = json::parse(body, nullptr, false);
    if (problem.is_object()) {
        if (problem.contains("detail") && problem["detail"].is_string()) text = problem["detail"];
        if (text.empty() && problem.contains("title") && problem["title"].is_string()) text = problem["title"];
        if (problem.contains("field") && problem["field"].is_string()) field = problem["field"];
    }
    if (text.empty()) text = "The support desk answered with an error (HTTP " + std::to_string(status) + ")";
    else text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (field == "description") return {ServiceError::Kind::invalidRequest, "Please describe your problem to open a conversation"};
    if (status == 404) return {ServiceError::Kind::notFound, text};
    if (status == 401 || status == 403) return {ServiceError::Kind::notAuthorized, text};
    if (status >= 500) return {ServiceError::Kind::connection, text};
    return {ServiceError::Kind::invalidRequest, text};
}

std::optional<AnyDictionary> dictionaryOf(const json& value) {
    if (!value.is_object()) return std::nullopt;
    try {
        return AnyJSON::decodeDictionary(value, 32);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<ConversationModel> conversationOf(const json& value) {
    auto dictionary = dictionaryOf(value);
    if (!dictionary) return std::nullopt;
    return ConversationModel::fromJson(*dictionary);
}

std::optional<UserModel> userOf(const json& value) {
    if (!value.is_object() || !value.contains("id") || !value["id"].is_string()) return std::nullopt;
    UserModel user;
    user.id = value["id"];
    user.userName = value.value("userName", "");
    user.firstName = value.value("firstName", "");
    user.lastName = value.value("lastName", "");
    user.avatarUrl = value.value("avatarUrl", "");
    return user;
}

// One address of the desk, taken apart once: requests go to `base`, sockets to host and port.
struct DeskAddress {
    std::string base, basePath, host, port;
};

DeskAddress addressOf(std::string url) {
    DeskAddress address;
    while (!url.empty() && url.back() == '/') url.pop_back();
    address.base = url;
    std::string rest = url;
    if (auto scheme = rest.find("://"); scheme != std::string::npos) rest = rest.substr(scheme + 3);
    if (auto slash = rest.find('/'); slash != std::string::npos) {
        address.basePath = rest.substr(slash);
        rest = rest.substr(0, slash);
    }
    if (auto colon = rest.rfind(':'); colon != std::string::npos) {
        address.host = rest.substr(0, colon);
        address.port = rest.substr(colon + 1);
    } else {
        address.host = rest;
        address.port = "80";
    }
    return address;
}

std::optional<RGBAColor> colorOf(const std::string& text) {
    unsigned r = 0, g = 0, b = 0;
    if (text.size() != 7 || std::sscanf(text.c_str(), "#%2x%2x%2x", &r, &g, &b) != 3) return std::nullopt;
    return RGBAColor(r / 255.0, g / 255.0, b / 255.0, 1.0);
}

std::optional<Config> configOf(const json& value) {
    if (!value.is_object() || !value.contains("tenantId") || !value["tenantId"].is_string()) return std::nullopt;
    Config config;
    config.tenantId = value["tenantId"];
    config.name = value.value("name", "");
    config.avatarUrl = value.value("avatarUrl", "");
    config.userNameRequired = value.value("userNameRequired", false);
    config.primaryColor = colorOf(value.value("primaryColor", "")).value_or(RGBAColor(0.28, 0.87, 0.70, 1));
    return config;
}

}  // namespace

class NetworkCore::Impl : public std::enable_shared_from_this<Impl> {
public:
    // What a request came back with: the JSON answer, or the error the caller sees.
    struct Answer {
        json body;
        long status = 0;
        std::optional<ServiceError> error;
    };
    using Done = std::function<void(Answer)>;

    explicit Impl(Options options) : options_(std::move(options)) {
        for (const auto& url : options_.deskUrls.empty() ? std::vector<std::string>{options_.deskUrl} : options_.deskUrls)
            desks_.push_back(addressOf(url));
        http_ = std::make_unique<HttpWorker>(options_.connectTimeout, options_.requestTimeout);
        ioThread_ = std::thread([this] { io_.run(); });
    }

    void shutdown() {
        boost::asio::post(io_, [this] {
            if (chatLink_) chatLink_->stop();
            if (noticeLink_) noticeLink_->stop();
            chatLink_.reset();
            noticeLink_.reset();
            guard_.reset();
        });
        ioThread_.join();
        // Stopped, not reset: a completion running now still reaches the worker through http_.
        http_->stop();
    }

    // --- The desk in use ---------------------------------------------------------------------

    std::size_t currentDesk() const { return currentDesk_.load(); }
    // The desk at `index` is gone: the next one is used from now on. Many callers may find the
    // same desk gone at once; only the first moves, so the core does not skip a working desk.
    void leave(std::size_t index) {
        std::size_t expected = index;
        currentDesk_.compare_exchange_strong(expected, (index + 1) % desks_.size());
    }
    int tries() const { return std::max(options_.attempts, 1) + static_cast<int>(desks_.size()) - 1; }

    // --- Requests --------------------------------------------------------------------------

    // One logical request: retried when no answer came (or a gateway's), with the same key.
    void request(std::string method, std::string path, std::optional<json> body, std::string token, bool creates,
                 Done done) {
        HttpRequest request;
        request.method = std::move(method);
        request.url = std::move(path);  // the desk's address is added at each attempt
        if (body) request.body = body->dump();
        if (!token.empty()) request.headers.push_back("Authorization: Bearer " + token);
        if (creates) request.headers.push_back("Idempotency-Key: " + randomKey());
        attempt(std::move(request), 1, std::move(done));
    }

    void attempt(HttpRequest request, int number, Done done,
                 std::chrono::milliseconds delay = std::chrono::milliseconds(0)) {
        const std::size_t desk = currentDesk();
        auto copy = request;
        copy.url = desks_[desk].base + request.url;
        http_->perform(
            std::move(copy),
            [this, request = std::move(request), number, desk, done = std::move(done)](HttpResponse response) mutable {
                // No answer at all: the desk is gone, the next one takes the retry. A desk that
                // answered, even a 5xx, is there and keeps the request.
                if (response.status == 0) leave(desk);
                const bool retry = response.status == 0 || response.status == 502 || response.status == 503 ||
                                   response.status == 504;
                if (retry && number < tries())
                    return attempt(std::move(request), number + 1, std::move(done), options_.retryDelay * number);
                answer(response, done);
            },
            delay);
    }

    void answer(const HttpResponse& response, const Done& done) {
        Answer result;
        result.status = response.status;
        if (response.status == 0) {
            result.error = unreachable();
        } else if (response.status >= 400) {
            result.error = refusal(response.status, response.body);
        } else {
            result.body = json::parse(response.body, nullptr, false);
            if (result.body.is_discarded() || !result.body.is_object()) result.error = unreadable();
        }
        done(std::move(result));
    }

    // Runs `then` with the token customer requests go with: the signed-in user's, else the
    // device's walk-in customer's, registered the first time one is needed.
    void withToken(std::function<void(std::string token, std::optional<ServiceError>)> then) {
        {
            std::unique_lock lock(mutex_);
            if (std::string token = currentTokenLocked(); !token.empty()) {
                lock.unlock();
                return then(token, std::nullopt);
            }
            walkInWaiters_.push_back(std::move(then));
            if (walkInWaiters_.size() > 1) return;  // a registration is on its way
        }
        // The walk-in has a name no one can choose, so a tenant that requires names takes it too.
        request("POST", "/v1/users", json{{"userName", "walk-in-" + randomKey()}}, "", true, [this](Answer answer) {
            std::vector<std::function<void(std::string, std::optional<ServiceError>)>> waiters;
            std::string token;
            {
                std::lock_guard lock(mutex_);
                waiters = std::exchange(walkInWaiters_, {});
                if (!answer.error) {
                    auto value = answer.body.value("token", "");
                    if (value.empty() || !userOf(answer.body.value("user", json()))) answer.error = unreadable();
                    else walkInToken_ = value;
                }
                token = currentTokenLocked();
            }
            if (!answer.error) startNotices();
            for (auto& waiter : waiters) waiter(token, answer.error);
        });
    }

    std::string currentTokenLocked() const {
        if (storedUser_)
            for (const auto& known : deviceUsers_)
                if (known.user.id == storedUser_->id && !known.token.empty()) return known.token;
        return walkInToken_;
    }

    template <class T>
    void customerRequest(std::string method, std::string path, std::optional<json> body, bool creates,
                         ServiceCompletion<T> completion, std::function<std::optional<T>(const json&)> read) {
        withToken([this, method = std::move(method), path = std::move(path), body = std::move(body), creates,
                   completion = std::move(completion), read = std::move(read)](std::string token,
                                                                               std::optional<ServiceError> error) {
            if (error) {
                if (completion) completion(std::nullopt, error);
                return;
            }
            request(method, path, body, token, creates, [completion, read](Answer answer) {
                if (!completion) return;
                if (answer.error) return completion(std::nullopt, answer.error);
                auto result = read(answer.body);
                if (!result) return completion(std::nullopt, unreadable());
                completion(std::move(result), std::nullopt);
            });
        });
    }

    // A conversation as answered to the layer: the chat that opens on it next starts after
    // the newest entry the layer was given, so nothing it shows comes again as a live event.
    std::optional<ConversationModel> noteConversation(const json& body) {
        auto conversation = conversationOf(body);
        if (conversation && body.contains("lastOffset") && body["lastOffset"].is_number_integer()) {
            std::lock_guard lock(mutex_);
            shownOffsets_[conversation->id] = body["lastOffset"].get<std::int64_t>();
        }
        return conversation;
    }
    std::function<std::optional<ConversationModel>(const json&)> conversationReader() {
        return [weak = weak_from_this()](const json& body) -> std::optional<ConversationModel> {
            if (auto self = weak.lock()) return self->noteConversation(body);
            return conversationOf(body);
        };
    }

    // --- Users -----------------------------------------------------------------------------

    struct DeviceUser {
        UserModel user;
        std::string token;
        std::string hostToken;
    };

    void rememberUser(const UserModel& user, const std::string& token, const std::string& hostToken) {
        {
            std::lock_guard lock(mutex_);
            auto known = std::find_if(deviceUsers_.begin(), deviceUsers_.end(),
                                      [&](const DeviceUser& candidate) { return candidate.user.id == user.id; });
            if (known == deviceUsers_.end()) {
                deviceUsers_.push_back({user, token, hostToken});
            } else {
                known->user = user;
                if (!token.empty()) known->token = token;
                if (!hostToken.empty()) known->hostToken = hostToken;
            }
            storedUser_ = user;
        }
        restartNotices();
    }

    // --- Notices ---------------------------------------------------------------------------

    void startNotices() {
        if (!options_.pushNotificationReceived) return;
        boost::asio::post(io_, [this] {
            if (noticeLink_) return;
            noticeLink_ = std::make_shared<LiveLink>(io_, linkSettings(), noticeCallbacks());
            noticeLink_->start();
        });
    }
    void restartNotices() {
        if (!options_.pushNotificationReceived) return;
        boost::asio::post(io_, [this] {
            if (noticeLink_) noticeLink_->stop();
            noticeLink_.reset();
        });
        startNotices();
    }
    void stopNotices() {
        boost::asio::post(io_, [this] {
            if (noticeLink_) noticeLink_->stop();
            noticeLink_.reset();
        });
    }

    LiveLink::Callbacks noticeCallbacks() {
        LiveLink::Callbacks callbacks;
        callbacks.endpoint = [this] { return endpointFor(noticeDesk_); };
        callbacks.target = [this] { return desks_[noticeDesk_].basePath + "/v1/users/me/notices"; };
        callbacks.token = [this] {
            std::lock_guard lock(mutex_);
            return currentTokenLocked();
        };
        callbacks.opened = [this] {
            if (noticeLink_) noticeLink_->resetBackoff();
        };
        callbacks.dropped = [this](bool deskGone) {
            if (deskGone) leave(noticeDesk_);
        };
        callbacks.received = [this](const std::string& frame) {
            auto notice = json::parse(frame, nullptr, false);
            if (!notice.is_object() || notice.value("type", "") != "NEW_MESSAGE") return;
            const std::string conversationId = notice.value("conversationId", "");
            if (conversationId.empty()) return;
            AnyDictionary payload{{"conversationId", conversationId}};
            if (notice.contains("message") && notice["message"].is_string())
                payload["message"] = notice["message"].get<std::string>();
            NotificationCenter::defaultCenter().post("ReceivedNewVelmaroMessage", nullptr,
                                                     {{"conversationId", conversationId}});
            options_.pushNotificationReceived(payload);
        };
        callbacks.refused = [](unsigned, const std::string&) {};  // no user to hear about
        return callbacks;
    }

    // The desk a socket's attempt goes to, noted in `desk` for when it drops.
    LiveLink::Endpoint endpointFor(std::size_t& desk) const {
        desk = currentDesk();
        return {desks_[desk].host, desks_[desk].port};
    }

    LiveLink::Settings linkSettings() const {
        LiveLink::Settings settings;
        settings.connectTimeout = options_.connectTimeout;
        settings.idleTimeout = options_.socketIdleTimeout;
        settings.firstRetryDelay = options_.firstReconnectDelay;
        settings.maximumRetryDelay = options_.maximumReconnectDelay;
        return settings;
    }

    // --- The live chat (sockets' thread only) -----------------------------------------------

    // A message the customer sent whose echo has not come yet.
    struct Pending {
        double localId = 0;
        std::string clientMessageId;
        std::string text;
        std::optional<std::int64_t> deskId;  // known once the desk answered the send
    };

    struct ChatState {
        std::optional<std::string> tenantId, userId, chatId;
        std::weak_ptr<ChatEventDelegate> delegate;
        std::string token;
        bool wanted = false;  // connectChat was called and nothing ended it
        bool open = false;    // the desk said CONNECTED on the current socket
        std::size_t desk = 0; // where the socket's latest attempt went
        std::int64_t lastOffset = 0;
        // Nothing says what the layer has shown: the history before the first CONNECTED is not
        // replayed as live events.
        bool skipHistory = false;
        std::deque<Pending> pending;               // in the order sent
        std::deque<std::string> awaitingAnswer;    // clientMessageIds sent on the current socket
        std::map<std::int64_t, double> localIds;   // the desk's message ids as the layer knows them
        std::vector<json> heldEchoes;              // the customer's echoes whose send is not answered yet
    };

    std::shared_ptr<ChatEventDelegate> delegate() const { return chat_.delegate.lock(); }

    double newLocalId() { return static_cast<double>(nextLocalId_.fetch_add(1)); }

    // The session ends: sends without an echo still reach the conversation, through the
    // request API under the same client message id, so the desk stores each once.
    void endChatSession() {
        if (chatLink_) chatLink_->stop();
        chatLink_.reset();
        if (chat_.wanted && chat_.chatId)
            for (const auto& pending : chat_.pending) {
                if (pending.deskId) continue;  // stored already
                request("POST", "/v1/conversations/" + *chat_.chatId + "/messages",
                        json{{"message", pending.text}, {"clientMessageId", pending.clientMessageId}}, chat_.token,
                        true, [](Answer) {});
            }
        // The session's identity stays for the next connectChat; what the socket knew goes.
        ChatState next;
        next.tenantId = std::move(chat_.tenantId);
        next.userId = std::move(chat_.userId);
        next.chatId = std::move(chat_.chatId);
        next.delegate = std::move(chat_.delegate);
        chat_ = std::move(next);
    }

    void configureChat(ChatState session) {
        endChatSession();
        chat_ = std::move(session);
    }

    void connectChat(std::optional<std::string> firstMessage, double firstLocalId) {
        if (chat_.wanted) endChatSession();
        std::optional<std::string> failure;
        std::string token;
        {
            std::lock_guard lock(mutex_);
            if (config_ && chat_.tenantId != config_->tenantId)
                failure = "Unknown tenant \"" + chat_.tenantId.value_or("") + "\"";
            for (const auto& known : deviceUsers_)
                if (chat_.userId && known.user.id == *chat_.userId) token = known.token;
            if (token.empty()) token = currentTokenLocked();
            auto shown = chat_.chatId ? shownOffsets_.find(*chat_.chatId) : shownOffsets_.end();
            chat_.skipHistory = shown == shownOffsets_.end();
            if (!chat_.skipHistory) chat_.lastOffset = shown->second;
        }
        if (!failure && token.empty()) failure = "Unknown end user \"" + chat_.userId.value_or("") + "\"";
        if (!failure && (!chat_.chatId || chat_.chatId->empty())) failure = "There is no conversation \"\"";
        if (failure) {
            if (auto listener = delegate()) {
                listener->connecting();
                listener->chatErrorReceived(*failure);
            }
            return;
        }
        chat_.token = token;
        chat_.wanted = true;
        if (firstMessage && !firstMessage->empty())
            chat_.pending.push_back({firstLocalId, randomKey(), *firstMessage, std::nullopt});
        LiveLink::Callbacks callbacks;
        callbacks.endpoint = [this] { return endpointFor(chat_.desk); };
        callbacks.target = [this, conversation = *chat_.chatId] {
            std::string target = desks_[chat_.desk].basePath + "/v1/conversations/" + conversation + "/chat";
            if (chat_.lastOffset > 0) target += "?after=" + std::to_string(chat_.lastOffset);
            return target;
        };
        callbacks.token = [token] { return token; };
        callbacks.attempting = [this] {
            if (auto listener = delegate()) listener->connecting();
        };
        callbacks.received = [this](const std::string& frame) { chatFrame(frame); };
        callbacks.dropped = [this](bool deskGone) {
            if (deskGone) leave(chat_.desk);
            chat_.open = false;
            chat_.awaitingAnswer.clear();
            if (auto listener = delegate()) listener->disconnected();
        };
        callbacks.refused = [this](unsigned status, const std::string& body) {
            chat_.open = false;
            auto listener = delegate();
            endChatSession();
            if (listener) listener->chatErrorReceived(refusal(status, body).customDescription);
        };
        chatLink_ = std::make_shared<LiveLink>(io_, linkSettings(), std::move(callbacks));
        chatLink_->start();
    }

    void sendMessage(std::string text, double localId) {
        if (!chat_.wanted) {
            if (auto listener = delegate()) listener->chatErrorReceived(kNotConnected);
            return;
        }
        chat_.pending.push_back({localId, randomKey(), std::move(text), std::nullopt});
        // While the link is down the send waits, and goes out once the desk is back.
        if (chat_.open) sendFrame(chat_.pending.back());
    }

    void sendFrame(const Pending& pending) {
        chat_.awaitingAnswer.push_back(pending.clientMessageId);
        chatLink_->send(
            json{{"type", "send"}, {"message", pending.text}, {"clientMessageId", pending.clientMessageId}}.dump());
    }

    void disconnectChat() {
        const bool wasWanted = chat_.wanted;
        auto listener = delegate();
        endChatSession();
        if (wasWanted && listener) listener->disconnected();
    }

    void deliver(json event, double localId) {
        auto dictionary = dictionaryOf(event);
        if (!dictionary) return;
        (*dictionary)["messageId"] = localId;
        if (auto listener = delegate()) listener->chatMessageReceived(*dictionary);
    }

    double localIdFor(std::int64_t deskId) {
        auto [it, added] = chat_.localIds.try_emplace(deskId, 0.0);
        if (added) it->second = newLocalId();
        return it->second;
    }

    bool sendsUnanswered() const {
        return std::any_of(chat_.pending.begin(), chat_.pending.end(), [](const Pending& p) { return !p.deskId; });
    }

    void deliverEcho(const json& event, std::int64_t deskId) {
        std::erase_if(chat_.pending, [&](const Pending& p) { return p.deskId == deskId; });
        deliver(event, localIdFor(deskId));
    }

    void chatFrame(const std::string& frame) {
        auto event = json::parse(frame, nullptr, false);
        if (!event.is_object() || !event.contains("type") || !event["type"].is_string()) return;
        const std::string type = event["type"];
        if (type == "CONNECTED") {
            chat_.open = true;
            if (chat_.skipHistory && event.contains("offset") && event["offset"].is_number_integer())
                chat_.lastOffset = std::max(chat_.lastOffset, event["offset"].get<std::int64_t>());
            chat_.skipHistory = false;
            chatLink_->resetBackoff();
            if (auto listener = delegate()) listener->connected();
            // What has no answer yet goes (again) under its own key: the desk stores it once.
            for (const auto& pending : chat_.pending)
                if (!pending.deskId) sendFrame(pending);
            return;
        }
        if (type == "SEND_MESSAGE_RESPONSE") {
            const std::string key = event.value("clientMessageId", "");
            if (!chat_.awaitingAnswer.empty() && chat_.awaitingAnswer.front() == key) chat_.awaitingAnswer.pop_front();
            if (!event.contains("messageId") || !event["messageId"].is_number_integer()) return;
            const std::int64_t deskId = event["messageId"];
            for (auto& pending : chat_.pending)
                if (pending.clientMessageId == key) {
                    pending.deskId = deskId;
                    chat_.localIds[deskId] = pending.localId;
                }
            releaseHeldEchoes();
            return;
        }
        if (type == "ERROR") {
            if (chat_.awaitingAnswer.empty()) return;
            const std::string key = chat_.awaitingAnswer.front();
            chat_.awaitingAnswer.pop_front();
            std::erase_if(chat_.pending, [&](const Pending& p) { return p.clientMessageId == key; });
            std::string detail = event.value("detail", std::string());
            if (detail.empty()) detail = event.value("title", std::string("The message was refused"));
            detail[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(detail[0])));
            if (auto listener = delegate()) listener->chatErrorReceived(detail + "; the message was not sent");
            releaseHeldEchoes();
            return;
        }
        if (type != "RECEIVED_MESSAGE_RESPONSE" && type != "INTERACTION_CLOSED_RESPONSE") return;
        if (!event.contains("offset") || !event["offset"].is_number_integer() || !event.contains("messageId") ||
            !event["messageId"].is_number_integer())
            return;
        const std::int64_t offset = event["offset"];
        if (offset <= chat_.lastOffset) return;  // seen already
        chat_.lastOffset = offset;
        const std::int64_t deskId = event["messageId"];
        if (event.value("senderType", "") == "CUSTOMER" && !chat_.localIds.contains(deskId)) {
            // After a reconnect the desk replays an echo before answering its send again: it
            // waits for the answer that names it.
            if (sendsUnanswered()) {
                chat_.heldEchoes.push_back(std::move(event));
                return;
            }
        }
        deliverEcho(event, deskId);
    }

    void releaseHeldEchoes() {
        auto held = std::exchange(chat_.heldEchoes, {});
        for (auto& event : held) {
            const std::int64_t deskId = event["messageId"];
            if (chat_.localIds.contains(deskId) || !sendsUnanswered()) deliverEcho(event, deskId);
            else chat_.heldEchoes.push_back(std::move(event));
        }
    }

    // --- Members ---------------------------------------------------------------------------

    const Options options_;
    std::vector<DeskAddress> desks_;
    std::atomic<std::size_t> currentDesk_{0};
    std::size_t noticeDesk_ = 0;  // sockets' thread only: where the notice socket's attempt went
    std::unique_ptr<HttpWorker> http_;
    boost::asio::io_context io_;
    std::optional<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> guard_{
        boost::asio::make_work_guard(io_)};
    std::thread ioThread_;

    mutable std::mutex mutex_;
    std::vector<DeviceUser> deviceUsers_;
    std::optional<UserModel> storedUser_;
    std::string walkInToken_;
    std::vector<std::function<void(std::string, std::optional<ServiceError>)>> walkInWaiters_;
    std::optional<Config> config_;
    std::map<std::string, std::int64_t> shownOffsets_;  // by conversation: the newest entry the layer got

    std::atomic<std::int64_t> nextLocalId_{1};
    ChatState chat_;                       // sockets' thread only
    std::shared_ptr<LiveLink> chatLink_;   // sockets' thread only
    std::shared_ptr<LiveLink> noticeLink_; // sockets' thread only
};

NetworkCore::NetworkCore(Options options) : impl_(std::make_shared<Impl>(std::move(options))) {}

NetworkCore::~NetworkCore() { impl_->shutdown(); }

// --- Conversations ---------------------------------------------------------------------------

void NetworkCore::getAllConversations(std::optional<StringDictionary> parameters,
                                      ServiceCompletion<std::vector<ConversationModel>> completion) {
    const bool onlyUnseen = parameterOf(parameters, "onlyUnseen") == "true";
    impl_->customerRequest<std::vector<ConversationModel>>(
        "GET", std::string("/v1/conversations") + (onlyUnseen ? "?onlyUnseen=true" : ""), std::nullopt, false,
        std::move(completion), [](const json& body) -> std::optional<std::vector<ConversationModel>> {
            if (!body.contains("conversations") || !body["conversations"].is_array()) return std::nullopt;
            std::vector<ConversationModel> list;
            for (const auto& item : body["conversations"]) {
                auto conversation = conversationOf(item);
                if (!conversation) return std::nullopt;
                list.push_back(std::move(*conversation));
            }
            return list;
        });
}

void NetworkCore::getConversation(std::string conversationId, ServiceCompletion<ConversationModel> completion) {
    impl_->customerRequest<ConversationModel>("GET", "/v1/conversations/" + conversationId, std::nullopt, false,
                                              std::move(completion), impl_->conversationReader());
}

void NetworkCore::createConversation(std::optional<StringDictionary> parameters,
                                     ServiceCompletion<ConversationModel> completion) {
    impl_->customerRequest<ConversationModel>(
        "POST", "/v1/conversations", json{{"description", parameterOf(parameters, "description").value_or("")}}, true,
        std::move(completion), impl_->conversationReader());
}

void NetworkCore::setConversationSeen(std::string conversationId, ServiceCompletion<ConversationModel> completion) {
    impl_->customerRequest<ConversationModel>("POST", "/v1/conversations/" + conversationId + "/seen", json::object(),
                                              false, std::move(completion), impl_->conversationReader());
}

void NetworkCore::getSatisfactionScores(ServiceCompletion<std::vector<SatisfactionScoreModel>> completion) {
    impl_->request("GET", "/v1/scores", std::nullopt, "", false, [completion = std::move(completion)](Impl::Answer answer) {
        if (!completion) return;
        if (answer.error) return completion(std::nullopt, answer.error);
        if (!answer.body.contains("scores") || !answer.body["scores"].is_array())
            return completion(std::nullopt, unreadable());
        std::vector<SatisfactionScoreModel> scores;
        for (const auto& score : answer.body["scores"]) {
            if (!score.is_object() || !score.contains("id") || !score["id"].is_string())
                return completion(std::nullopt, unreadable());
            scores.push_back({score["id"].get<std::string>()});
        }
        completion(std::move(scores), std::nullopt);
    });
}

void NetworkCore::sendConversationScore(std::string conversationId, std::string scoreId,
                                        ServiceCompletion<ConversationModel> completion) {
    impl_->customerRequest<ConversationModel>("POST", "/v1/conversations/" + conversationId + "/score",
                                              json{{"scoreId", scoreId}}, true, std::move(completion), impl_->conversationReader());
}

// --- End users -------------------------------------------------------------------------------

void NetworkCore::createEndUser(std::optional<StringDictionary> userParameters, ServiceCompletion<UserModel> completion) {
    const std::string userName = parameterOf(userParameters, "userName").value_or("");
    const std::string firstName = parameterOf(userParameters, "firstName").value_or("");
    const std::string lastName = parameterOf(userParameters, "lastName").value_or("");
    const std::string hostToken = parameterOf(userParameters, "endUserToken").value_or("");
    std::string ownToken;
    bool anonymousAgain = false;
    {
        std::lock_guard lock(impl_->mutex_);
        for (const auto& known : impl_->deviceUsers_) {
            const bool sameName = !userName.empty() && known.user.userName == userName;
            const bool sameAnonymous = userName.empty() && impl_->storedUser_ &&
                                       impl_->storedUser_->id == known.user.id && known.user.userName.empty();
            if (sameName || sameAnonymous) {
                ownToken = known.token;
                anonymousAgain = sameAnonymous;
            }
        }
    }
    auto impl = impl_;
    auto finish = [impl, hostToken, completion = std::move(completion)](Impl::Answer answer, bool registered) {
        std::optional<UserModel> user;
        std::string token;
        if (!answer.error) {
            user = userOf(registered ? answer.body.value("user", json()) : answer.body);
            token = registered ? answer.body.value("token", "") : "";
            if (!user) answer.error = unreadable();
        }
        if (answer.error) {
            if (completion) completion(std::nullopt, answer.error);
            return;
        }
        impl->rememberUser(*user, token, hostToken);
        if (completion) completion(user, std::nullopt);
    };
    if (anonymousAgain) {
        json body = json::object();
        if (!firstName.empty()) body["firstName"] = firstName;
        if (!lastName.empty()) body["lastName"] = lastName;
        impl_->request("PATCH", "/v1/users/me", body, ownToken, false,
                       [finish](Impl::Answer answer) { finish(std::move(answer), false); });
        return;
    }
    json body = json::object();
    if (!userName.empty()) body["userName"] = userName;
    if (!firstName.empty()) body["firstName"] = firstName;
    if (!lastName.empty()) body["lastName"] = lastName;
    impl_->request("POST", "/v1/users", body, ownToken, true,
                   [finish](Impl::Answer answer) { finish(std::move(answer), true); });
}

void NetworkCore::updateUser(StringDictionary userParameters, ServiceCompletion<UserModel> completion) {
    std::string token;
    std::string hostToken;
    {
        std::lock_guard lock(impl_->mutex_);
        if (impl_->storedUser_) token = impl_->currentTokenLocked();
    }
    if (token.empty()) {
        if (completion) completion(std::nullopt, ServiceError{ServiceError::Kind::notAuthorized, "No end user is signed in"});
        return;
    }
    json body = json::object();
    for (const char* key : {"firstName", "lastName"})
        if (auto it = userParameters.find(key); it != userParameters.end()) body[key] = it->second;
    auto impl = impl_;
    impl_->request("PATCH", "/v1/users/me", body, token, false,
                   [impl, completion = std::move(completion)](Impl::Answer answer) {
                       std::optional<UserModel> user;
                       if (!answer.error && !(user = userOf(answer.body))) answer.error = unreadable();
                       if (answer.error) {
                           if (completion) completion(std::nullopt, answer.error);
                           return;
                       }
                       impl->rememberUser(*user, "", "");
                       if (completion) completion(user, std::nullopt);
                   });
}

std::string NetworkCore::signedInToken() const {
    std::lock_guard lock(impl_->mutex_);
    return impl_->storedUser_ ? impl_->currentTokenLocked() : std::string();
}

std::optional<UserModel> NetworkCore::loadUser() {
    std::lock_guard lock(impl_->mutex_);
    return impl_->storedUser_;
}

void NetworkCore::authenticateUser(UserModel user, UserModel::AuthenticationCompletion completion) {
    std::optional<Impl::DeviceUser> known;
    {
        std::lock_guard lock(impl_->mutex_);
        for (const auto& candidate : impl_->deviceUsers_)
            if (candidate.user.id == user.id) known = candidate;
    }
    if (!known || known->token.empty()) {
        // Answered on the core's thread like every completion, never on the caller's.
        boost::asio::post(impl_->io_, [completion, id = user.id] {
            if (completion) completion(false, ServiceError{ServiceError::Kind::notFound,
                                                           "The end user \"" + id + "\" is not registered"});
        });
        return;
    }
    impl_->request("GET", "/v1/users/me", std::nullopt, known->token, false,
                   [known = *known, completion = std::move(completion)](Impl::Answer answer) {
                       auto me = answer.error ? std::nullopt : userOf(answer.body);
                       if (answer.error && answer.error->kind == ServiceError::Kind::connection) {
                           if (completion) completion(false, answer.error);
                           return;
                       }
                       if (!me || me->id != known.user.id) {
                           if (completion)
                               completion(false, ServiceError{ServiceError::Kind::notFound,
                                                              "The end user \"" + known.user.id + "\" is not registered"});
                           return;
                       }
                       // The host's own token for its user, when it gave one, is what the device keeps.
                       UserDefaults::standard().set(known.hostToken.empty() ? known.token : known.hostToken,
                                                    StoredKeys::tokenKey(known.user.id));
                       NotificationCenter::defaultCenter().post("SavedAuth", nullptr, {{"userId", known.user.id}});
                       if (completion) completion(true, std::nullopt);
                   });
}

void NetworkCore::clearUserDetails(UserModel user) {
    {
        std::lock_guard lock(impl_->mutex_);
        impl_->storedUser_.reset();
    }
    UserDefaults::standard().remove(StoredKeys::tokenKey(user.id));
    impl_->restartNotices();
}

std::optional<Config> NetworkCore::loadConfig() {
    {
        std::lock_guard lock(impl_->mutex_);
        if (impl_->config_) return impl_->config_;
    }
    auto answered = std::make_shared<std::promise<std::optional<Config>>>();
    auto future = answered->get_future();
    impl_->request("GET", "/v1/config", std::nullopt, "", false, [answered](Impl::Answer answer) {
        answered->set_value(answer.error ? std::nullopt : configOf(answer.body));
    });
    const int tries = impl_->tries();
    const auto limit = (impl_->options_.requestTimeout + impl_->options_.retryDelay * tries) * tries;
    if (future.wait_for(limit) != std::future_status::ready) return std::nullopt;
    auto config = future.get();
    std::lock_guard lock(impl_->mutex_);
    if (config) impl_->config_ = config;
    return config;
}

// --- Live chat -------------------------------------------------------------------------------

void NetworkCore::configureChat(std::optional<std::string> tenantId, std::optional<std::string> userId,
                                std::optional<std::string> chatId, std::weak_ptr<ChatEventDelegate> delegate) {
    Impl::ChatState session;
    session.tenantId = std::move(tenantId);
    session.userId = std::move(userId);
    session.chatId = std::move(chatId);
    session.delegate = std::move(delegate);
    boost::asio::post(impl_->io_, [impl = impl_, session = std::move(session)]() mutable {
        impl->configureChat(std::move(session));
    });
}

void NetworkCore::connectChat(std::optional<std::string> firstMessage) {
    const double firstLocalId = impl_->newLocalId();
    boost::asio::post(impl_->io_, [impl = impl_, firstMessage = std::move(firstMessage), firstLocalId] {
        impl->connectChat(firstMessage, firstLocalId);
    });
}

double NetworkCore::sendMessage(std::string message) {
    const double localId = impl_->newLocalId();
    boost::asio::post(impl_->io_, [impl = impl_, message = std::move(message), localId]() mutable {
        impl->sendMessage(std::move(message), localId);
    });
    return localId;
}

void NetworkCore::subscribe() {
    // A connected chat receives every event already.
}

void NetworkCore::disconnectChat() {
    boost::asio::post(impl_->io_, [impl = impl_] { impl->disconnectChat(); });
}

}  // namespace velmaro
