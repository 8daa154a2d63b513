#include "support/Velmaro/RecordingCore.h"

#include <stdexcept>
#include <thread>

namespace velmaro {

namespace {

Any optionalText(const std::optional<std::string>& text) {
    return text ? Any(*text) : Any();
}

Any optionalDictionary(const std::optional<StringDictionary>& dictionary) {
    if (!dictionary) return Any();
    AnyDictionary values;
    for (const auto& [key, value] : *dictionary) values[key] = value;
    return values;
}

AnyDictionary userArguments(const UserModel& user) {
    return {{"id", user.id}, {"userName", user.userName}};
}

}  // namespace

std::shared_ptr<RecordingCore> RecordingCore::install() {
    auto core = std::make_shared<RecordingCore>();
    installCoreLibrary(core);
    return core;
}

void RecordingCore::setConfig(std::optional<Config> config) {
    std::lock_guard lock(mutex_);
    config_ = std::move(config);
}

void RecordingCore::setStoredUser(std::optional<UserModel> user) {
    std::lock_guard lock(mutex_);
    storedUser_ = std::move(user);
}

std::optional<UserModel> RecordingCore::storedUser() const {
    std::lock_guard lock(mutex_);
    return storedUser_;
}

std::vector<RecordingCore::Call> RecordingCore::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<RecordingCore::Call> RecordingCore::calls(const std::string& operation) const {
    std::lock_guard lock(mutex_);
    std::vector<Call> matching;
    for (const Call& call : calls_)
        if (call.operation == operation) matching.push_back(call);
    return matching;
}

std::size_t RecordingCore::callCount(const std::string& operation) const {
    return calls(operation).size();
}

std::optional<RecordingCore::Call> RecordingCore::lastCall(const std::string& operation) const {
    auto matching = calls(operation);
    if (matching.empty()) return std::nullopt;
    return matching.back();
}

std::size_t RecordingCore::pendingCount(const std::string& operation) const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const Pending& pending : pending_)
        if (pending.operation == operation) ++count;
    return count;
}

bool RecordingCore::deliver(const std::string& operation, Result result,
                            std::optional<ServiceError> error, Thread thread) {
    Pending pending;
    {
        std::lock_guard lock(mutex_);
        auto it = pending_.begin();
        while (it != pending_.end() && it->operation != operation) ++it;
        if (it == pending_.end()) return false;
        if (result.index() != 0 && result.index() != it->resultIndex)
            throw std::invalid_argument("wrong kind of result for " + operation);
        pending = std::move(*it);
        pending_.erase(it);
    }
    run([&] { pending.complete(result, std::move(error)); }, thread);
    return true;
}

bool RecordingCore::deliverError(const std::string& operation,
                                 const std::string& customDescription, Thread thread) {
    return deliver(operation, std::monostate{},
                   ServiceError{ServiceError::Kind::connection, customDescription}, thread);
}

bool RecordingCore::emitConnecting(Thread thread) {
    return emit([](ChatEventDelegate& delegate) { delegate.connecting(); }, thread);
}

bool RecordingCore::emitConnected(Thread thread) {
    return emit([](ChatEventDelegate& delegate) { delegate.connected(); }, thread);
}

bool RecordingCore::emitDisconnected(Thread thread) {
    return emit([](ChatEventDelegate& delegate) { delegate.disconnected(); }, thread);
}

bool RecordingCore::emitMessage(AnyDictionary message, Thread thread) {
    return emit(
        [message = std::move(message)](ChatEventDelegate& delegate) {
            delegate.chatMessageReceived(message);
        },
        thread);
}

bool RecordingCore::emitError(std::string errorDescription, Thread thread) {
    return emit(
        [text = std::move(errorDescription)](ChatEventDelegate& delegate) {
            delegate.chatErrorReceived(text);
        },
        thread);
}

std::shared_ptr<ChatEventDelegate> RecordingCore::chatDelegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

AnyDictionary RecordingCore::messageEvent(const std::string& type, const std::string& senderType,
                                          const std::string& message, double messageId) {
    return {{"type", type},
            {"senderType", senderType},
            {"message", message},
            {"messageId", messageId},
            {"createdDateTime", Date::now()}};
}

bool RecordingCore::emit(std::function<void(ChatEventDelegate&)> event, Thread thread) {
    auto delegate = chatDelegate();
    if (!delegate) return false;
    run([&] { event(*delegate); }, thread);
    return true;
}

void RecordingCore::run(const std::function<void()>& work, Thread thread) {
    if (thread == Thread::caller) {
        work();
        return;
    }
    std::thread worker(work);
    worker.join();
}

void RecordingCore::record(std::string operation, AnyDictionary arguments) {
    std::lock_guard lock(mutex_);
    calls_.push_back({std::move(operation), std::move(arguments)});
}

template <class T>
void RecordingCore::recordWithCompletion(std::string operation, AnyDictionary arguments,
                                         ServiceCompletion<T> completion) {
    std::lock_guard lock(mutex_);
    calls_.push_back({operation, std::move(arguments)});
    if (!completion) return;
    pending_.push_back({operation, Result(std::in_place_type<T>).index(),
                        [completion = std::move(completion)](const Result& result,
                                                             std::optional<ServiceError> error) {
                            if (const T* value = std::get_if<T>(&result))
                                completion(*value, std::move(error));
                            else
                                completion(std::nullopt, std::move(error));
                        }});
}

void RecordingCore::getAllConversations(
    std::optional<StringDictionary> parameters,
    ServiceCompletion<std::vector<ConversationModel>> completion) {
    recordWithCompletion("getAllConversations", {{"parameters", optionalDictionary(parameters)}},
                         std::move(completion));
}

void RecordingCore::getConversation(std::string conversationId,
                                    ServiceCompletion<ConversationModel> completion) {
    recordWithCompletion("getConversation", {{"conversationId", conversationId}},
                         std::move(completion));
}

void RecordingCore::createConversation(std::optional<StringDictionary> parameters,
                                       ServiceCompletion<ConversationModel> completion) {
    recordWithCompletion("createConversation", {{"parameters", optionalDictionary(parameters)}},
                         std::move(completion));
}

void RecordingCore::setConversationSeen(std::string conversationId,
                                        ServiceCompletion<ConversationModel> completion) {
    recordWithCompletion("setConversationSeen", {{"conversationId", conversationId}},
                         std::move(completion));
}

void RecordingCore::getSatisfactionScores(
    ServiceCompletion<std::vector<SatisfactionScoreModel>> completion) {
    recordWithCompletion("getSatisfactionScores", {}, std::move(completion));
}

void RecordingCore::sendConversationScore(std::string conversationId, std::string scoreId,
                                          ServiceCompletion<ConversationModel> completion) {
    recordWithCompletion("sendConversationScore",
                         {{"conversationId", conversationId}, {"scoreId", scoreId}},
                         std::move(completion));
}

void RecordingCore::createEndUser(std::optional<StringDictionary> userParameters,
                                  ServiceCompletion<UserModel> completion) {
    recordWithCompletion("createEndUser", {{"userParameters", optionalDictionary(userParameters)}},
                         std::move(completion));
}

void RecordingCore::updateUser(StringDictionary userParameters,
                               ServiceCompletion<UserModel> completion) {
    recordWithCompletion("updateUser", {{"userParameters", optionalDictionary(userParameters)}},
                         std::move(completion));
}

std::optional<UserModel> RecordingCore::loadUser() {
    record("loadUser", {});
    return storedUser();
}

void RecordingCore::authenticateUser(UserModel user, UserModel::AuthenticationCompletion completion) {
    AnyDictionary arguments = userArguments(user);
    arguments["completion"] = static_cast<bool>(completion);
    ServiceCompletion<bool> handler;
    if (completion) {
        handler = [completion = std::move(completion)](std::optional<bool> success,
                                                       std::optional<ServiceError> error) {
            completion(success.value_or(false), std::move(error));
        };
    }
    recordWithCompletion("authenticateUser", std::move(arguments), std::move(handler));
}

void RecordingCore::clearUserDetails(UserModel user) {
    record("clearUserDetails", userArguments(user));
    std::lock_guard lock(mutex_);
    storedUser_.reset();
}

std::optional<Config> RecordingCore::loadConfig() {
    record("loadConfig", {});
    std::lock_guard lock(mutex_);
    return config_;
}

void RecordingCore::configureChat(std::optional<std::string> tenantId,
                                  std::optional<std::string> userId,
                                  std::optional<std::string> chatId,
                                  std::weak_ptr<ChatEventDelegate> delegate) {
    record("configureChat", {{"tenantId", optionalText(tenantId)},
                             {"userId", optionalText(userId)},
                             {"chatId", optionalText(chatId)},
                             {"delegate", !delegate.expired()}});
    std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

void RecordingCore::connectChat(std::optional<std::string> firstMessage) {
    record("connectChat", {{"firstMessage", optionalText(firstMessage)}});
}

double RecordingCore::sendMessage(std::string message) {
    std::lock_guard lock(mutex_);
    double messageId = nextMessageId_++;
    calls_.push_back({"sendMessage", {{"message", message}, {"messageId", messageId}}});
    return messageId;
}

void RecordingCore::subscribe() {
    record("subscribe", {});
}

void RecordingCore::disconnectChat() {
    record("disconnectChat", {});
}

}  // namespace velmaro
