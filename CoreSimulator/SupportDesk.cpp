#include "CoreSimulator/SupportDesk.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>

#include "Desk/Secrets.h"
#include "Desk/SqliteDeskStore.h"
#include "Dispatch/DispatchQueue.h"
#include "Foundation/DateFormatter.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "Velmaro/CoreInterface/StoredKeys.h"
#include "Velmaro/CoreInterface/WireFormat.h"

namespace velmaro {

namespace {

using desk::DeskError;

desk::Millis millisOf(Date date) {
    return static_cast<desk::Millis>(std::llround(date.timeIntervalSince1970() * 1000.0));
}

Date dateOf(desk::Millis millis) {
    return Date(static_cast<double>(millis) / 1000.0);
}

std::optional<std::string> parameter(const std::optional<StringDictionary>& parameters,
                                     const std::string& key) {
    if (!parameters) return std::nullopt;
    auto it = parameters->find(key);
    if (it == parameters->end()) return std::nullopt;
    return it->second;
}

AnyDictionary messageEvent(const std::string& type, const std::string& senderType,
                           const std::string& message, double messageId,
                           const std::string& conversationId, Date createdDateTime) {
    return {{"type", type},
            {"senderType", senderType},
            {"message", message},
            {"messageId", messageId},
            {"createdDateTime", createdDateTime},
            {"conversationId", conversationId}};
}

std::string hexColor(const RGBAColor& color) {
    auto channel = [](double value) {
        return static_cast<unsigned>(std::lround(std::clamp(value, 0.0, 1.0) * 255));
    };
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", channel(color.red), channel(color.green), channel(color.blue));
    return text;
}

// The engine's refusal as the layer reads it: a sentence, of the kind the layer acts on.
ServiceError serviceError(const DeskError& error) {
    std::string text = error.what();
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    switch (error.code()) {
    case DeskError::Code::notFound: return {ServiceError::Kind::notFound, text};
    case DeskError::Code::unauthorized:
    case DeskError::Code::forbidden: return {ServiceError::Kind::notAuthorized, text};
    case DeskError::Code::unavailable: return {ServiceError::Kind::connection, text};
    case DeskError::Code::invalid:
    case DeskError::Code::conflict: break;
    }
    return {ServiceError::Kind::invalidRequest, text};
}

UserModel userModel(const desk::User& user) {
    UserModel model;
    model.id = user.id;
    model.firstName = user.firstName;
    model.lastName = user.lastName;
    model.avatarUrl = user.avatarUrl;
    model.userName = user.userName;
    return model;
}

// An agent's e-mail made from the name the desk shows, so that one name is one agent (the hash
// keeps names apart that differ only in letters an address cannot hold).
std::string agentEmail(const std::string& name) {
    std::string local;
    for (unsigned char c : name)
        if (std::isalnum(c) && c < 0x80) local += static_cast<char>(std::tolower(c));
    return (local.empty() ? std::string("agent") : local) + "-" + desk::secrets::tokenHash(name).substr(0, 8) +
           "@agents.desk.invalid";
}

}  // namespace

const std::vector<std::string>& SupportDesk::satisfactionScoreIds() {
    static const std::vector<std::string> ids = [] {
        std::vector<std::string> list;
        for (const auto& score : desk::DeskEngine::satisfactionScores()) list.push_back(score.id);
        return list;
    }();
    return ids;
}

SupportDesk::SupportDesk(Config tenant) : SupportDesk(std::move(tenant), Options{}) {}

SupportDesk::Options::Chaos SupportDesk::Options::Chaos::all(std::uint64_t seed) {
    Chaos chaos;
    chaos.seed = seed;
    chaos.dropConnection = 0.05;
    chaos.duplicateEcho = 0.1;
    chaos.reorderEvents = 0.1;
    chaos.delayEcho = 0.15;
    chaos.serverError = 0.05;
    chaos.randomThreadCompletion = 0.25;
    chaos.malformedEvent = 0.1;
    return chaos;
}

SupportDesk::SupportDesk(Config tenant, Options options)
    : tenant_(std::move(tenant)),
      options_(std::move(options)),
      chaosRandom_(options_.chaos ? options_.chaos->seed : 0) {
    desk::DeskEngine::Options engine;
    // The desk's times are the platform's wall clock, which pictures may pin.
    engine.clock = [] { return millisOf(Date::now()); };
    // The face's agents never sign in: their passwords are random and thrown away.
    engine.passwordCost = desk::secrets::PasswordCost::minimum;
    engine.customerWatching = [this](const std::string& conversationId) {
        std::lock_guard lock(watchedMutex_);
        return watched_ == conversationId;
    };
    engine_ = std::make_unique<desk::DeskEngine>(
        std::make_unique<desk::SqliteDeskStore>(options_.databasePath.empty() ? ":memory:" : options_.databasePath),
        std::move(engine));
    engine_->putTenant({tenant_.tenantId, tenant_.name, tenant_.avatarUrl, hexColor(tenant_.primaryColor),
                        tenant_.userNameRequired});
    agent_ = agentNamed(options_.agentName, options_.agentAvatarUrl);
}

SupportDesk::~SupportDesk() = default;

bool SupportDesk::rollLocked(double probability) {
    if (!options_.chaos || probability <= 0) return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(chaosRandom_) < probability;
}

template <class T>
void SupportDesk::respond(ServiceCompletion<T> completion, std::function<Reply<T>()> handle) {
    worker_.post(options_.latency, [this, completion = std::move(completion), handle = std::move(handle)] {
        bool serverError = false;
        bool elsewhere = false;
        if (options_.chaos) {
            std::lock_guard lock(mutex_);
            serverError = rollLocked(options_.chaos->serverError);
            elsewhere = rollLocked(options_.chaos->randomThreadCompletion);
        }
        Reply<T> reply;
        if (serverError) {
            reply.error = ServiceError{ServiceError::Kind::connection, "The server could not answer. Please try again."};
        } else {
            try {
                reply = handle();
            } catch (const DeskError& error) {
                reply = {std::nullopt, serviceError(error)};
            }
        }
        if (!completion) return;
        if (!elsewhere) {
            completion(std::move(reply.result), std::move(reply.error));
            return;
        }
        DispatchQueue::global().async([completion, reply = std::move(reply)]() mutable {
            completion(std::move(reply.result), std::move(reply.error));
        });
    });
}

double SupportDesk::nextMessageId() {
    std::lock_guard lock(mutex_);
    return nextMessageId_++;
}

// --- Between the layer's records and the engine's ----------------------------------------------

ConversationModel SupportDesk::model(const desk::Conversation& conversation) const {
    ConversationModel model;
    model.id = conversation.id;
    model.number = static_cast<int>(conversation.number);
    model.subject = conversation.subject;
    model.description = conversation.description;
    model.dateTime = WireFormat::dateFormatter().stringFromDate(dateOf(conversation.createdAt));
    model.status = conversation.status;
    if (!conversation.agentName.empty()) model.agentName = conversation.agentName;
    if (!conversation.agentAvatarUrl.empty()) model.agentAvatarUrl = conversation.agentAvatarUrl;
    model.unseenActivityCount = static_cast<int>(conversation.unseenByUser);
    constexpr std::size_t page = 1000;
    for (std::int64_t after = 0;;) {
        auto messages = engine_->messages(conversation.id, after, page);
        for (const auto& message : messages)
            model.activities.push_back({{ContentModel{message.text, message.direction, dateOf(message.createdAt),
                                                      message.contentType, message.eventDescription}}});
        if (messages.size() < page) break;
        after = messages.back().offset;
    }
    return model;
}

std::optional<desk::Conversation> SupportDesk::find(const std::string& conversationId) const {
    try {
        return engine_->conversationForAgent(agent_, conversationId);
    } catch (const DeskError& error) {
        if (error.code() == DeskError::Code::notFound) return std::nullopt;
        throw;
    }
}

std::optional<desk::User> SupportDesk::findUser(const std::string& userId) const {
    for (auto& user : engine_->users(tenant_.tenantId))
        if (user.id == userId) return user;
    return std::nullopt;
}

std::string SupportDesk::ownerForNewConversation() {
    std::string signedIn;
    {
        std::lock_guard lock(mutex_);
        if (storedUser_) signedIn = storedUser_->id;
        else if (!walkInUserId_.empty()) return walkInUserId_;
    }
    if (!signedIn.empty() && findUser(signedIn)) return signedIn;
    // Nobody is signed in on the device: its conversations still need a customer of the desk. The
    // walk-in has a name no one can choose, so a tenant that requires names takes it too.
    auto walkIn = engine_->registerUser(tenant_.tenantId, desk::secrets::randomId("walk-in-"), "", "");
    std::lock_guard lock(mutex_);
    if (walkInUserId_.empty()) walkInUserId_ = walkIn.user.id;
    return walkInUserId_;
}

desk::Agent SupportDesk::agentNamed(const std::string& name, const std::string& avatarUrl) {
    return engine_->ensureAgent(tenant_.tenantId, agentEmail(name), name, desk::secrets::randomToken(), avatarUrl);
}

// --- Conversations -------------------------------------------------------------------------

std::string SupportDesk::seedConversation(ConversationModel conversation) {
    desk::Conversation record;
    record.id = conversation.id;
    record.number = conversation.number;
    record.subject = conversation.subject;
    record.description = conversation.description;
    record.status = conversation.status;
    record.userId = ownerForNewConversation();
    if (conversation.agentName && !conversation.agentName->empty())
        record.agentId = agentNamed(*conversation.agentName, conversation.agentAvatarUrl.value_or("")).id;
    if (auto date = WireFormat::dateFormatter().dateFromString(conversation.dateTime)) record.createdAt = millisOf(*date);
    record.unseenByUser = conversation.unseenActivityCount;
    std::vector<desk::Message> history;
    for (const auto& activity : conversation.activities)
        for (const auto& content : activity.contents) {
            desk::Message message;
            message.direction = content.direction;
            message.contentType = content.contentType;
            message.text = content.text;
            message.eventDescription = content.eventDescription;
            message.createdAt = millisOf(content.createdDateTime);
            history.push_back(std::move(message));
        }
    // A taken id or number gives way to a fresh one, as a seed means a conversation more.
    for (int attempt = 0;; ++attempt) {
        try {
            return engine_->importConversation(record, history).id;
        } catch (const DeskError& error) {
            if (error.code() != DeskError::Code::conflict || attempt == 2) throw;
            if (error.field() == "number") record.number = 0;
            else record.id.clear();
        }
    }
}

void SupportDesk::closeConversation(const std::string& conversationId) {
    worker_.post(options_.latency, [this, conversationId] {
        Date at = Date::now();
        try {
            auto before = find(conversationId);
            if (!before || before->status == "CLOSED") return;
            desk::Conversation closed = engine_->close(agent_, conversationId);
            for (const auto& entry : engine_->messages(conversationId, closed.lastOffset - 1, 1))
                at = dateOf(entry.createdAt);
        } catch (const DeskError&) {
            return;
        }
        sendChatEvent(conversationId, {messageEvent("INTERACTION_CLOSED_RESPONSE", "ANNOUNCER", "Conversation closed",
                                                    nextMessageId(), conversationId, at)});
    });
}

void SupportDesk::agentSays(std::string text) {
    worker_.post(options_.latency, [this, text = std::move(text)] {
        std::string conversationId;
        {
            std::lock_guard lock(mutex_);
            if (!chat_.connected || !chat_.chatId) return;
            conversationId = *chat_.chatId;
        }
        desk::DeskEngine::Sent sent;
        try {
            sent = engine_->agentSays(agent_, conversationId, text);
        } catch (const DeskError&) {
            return;  // gone or closed: the line goes nowhere
        }
        std::shared_ptr<ChatEventDelegate> delegate;
        double messageId = nextMessageId();
        {
            std::lock_guard lock(mutex_);
            delegate = chat_.delegate.lock();
        }
        if (delegate)
            delegate->chatMessageReceived(messageEvent("RECEIVED_MESSAGE_RESPONSE", "AGENT", text, messageId,
                                                       conversationId, dateOf(sent.message.createdAt)));
    });
}

std::optional<ConversationModel> SupportDesk::conversation(const std::string& conversationId) const {
    auto found = find(conversationId);
    if (!found) return std::nullopt;
    return model(*found);
}

std::optional<std::string> SupportDesk::conversationScore(const std::string& conversationId) const {
    auto found = find(conversationId);
    if (!found || found->scoreId.empty()) return std::nullopt;
    return found->scoreId;
}

std::vector<UserModel> SupportDesk::users() const {
    std::string walkIn;
    {
        std::lock_guard lock(mutex_);
        walkIn = walkInUserId_;
    }
    std::vector<UserModel> result;
    for (const auto& user : engine_->users(tenant_.tenantId))
        if (user.id != walkIn) result.push_back(userModel(user));
    return result;
}

void SupportDesk::getAllConversations(std::optional<StringDictionary> parameters,
                                      ServiceCompletion<std::vector<ConversationModel>> completion) {
    bool onlyUnseen = parameter(parameters, "onlyUnseen") == "true";
    respond<std::vector<ConversationModel>>(std::move(completion), [this, onlyUnseen] {
        std::vector<ConversationModel> list;
        for (const auto& conversation : engine_->tenantConversations(agent_, std::nullopt))
            if (!onlyUnseen || conversation.unseenByUser > 0) list.push_back(model(conversation));
        return Reply<std::vector<ConversationModel>>{std::move(list), std::nullopt};
    });
}

void SupportDesk::getConversation(std::string conversationId,
                                  ServiceCompletion<ConversationModel> completion) {
    respond<ConversationModel>(std::move(completion), [this, conversationId] {
        return Reply<ConversationModel>{model(engine_->conversationForAgent(agent_, conversationId)), {}};
    });
}

void SupportDesk::createConversation(std::optional<StringDictionary> parameters,
                                     ServiceCompletion<ConversationModel> completion) {
    auto description = parameter(parameters, "description");
    respond<ConversationModel>(std::move(completion), [this, description] {
        try {
            return Reply<ConversationModel>{
                model(engine_->createConversation(ownerForNewConversation(), description.value_or(""))), {}};
        } catch (const DeskError& error) {
            if (error.field() != "description") throw;
            return Reply<ConversationModel>{
                {}, ServiceError{ServiceError::Kind::invalidRequest,
                                 "Please describe your problem to open a conversation"}};
        }
    });
}

void SupportDesk::setConversationSeen(std::string conversationId,
                                      ServiceCompletion<ConversationModel> completion) {
    respond<ConversationModel>(std::move(completion), [this, conversationId] {
        auto conversation = engine_->conversationForAgent(agent_, conversationId);
        return Reply<ConversationModel>{model(engine_->markSeenByUser(conversation.userId, conversationId)), {}};
    });
}

void SupportDesk::getSatisfactionScores(
    ServiceCompletion<std::vector<SatisfactionScoreModel>> completion) {
    respond<std::vector<SatisfactionScoreModel>>(std::move(completion), [] {
        std::vector<SatisfactionScoreModel> scores;
        for (const auto& id : satisfactionScoreIds()) scores.push_back({id});
        return Reply<std::vector<SatisfactionScoreModel>>{std::move(scores), {}};
    });
}

void SupportDesk::sendConversationScore(std::string conversationId, std::string scoreId,
                                        ServiceCompletion<ConversationModel> completion) {
    respond<ConversationModel>(std::move(completion), [this, conversationId, scoreId] {
        auto conversation = engine_->conversationForAgent(agent_, conversationId);
        return Reply<ConversationModel>{model(engine_->rate(conversation.userId, conversationId, scoreId)), {}};
    });
}

// --- End users -----------------------------------------------------------------------------

void SupportDesk::createEndUser(std::optional<StringDictionary> userParameters,
                                ServiceCompletion<UserModel> completion) {
    respond<UserModel>(std::move(completion), [this, parameters = std::move(userParameters)] {
        const std::string userName = parameter(parameters, "userName").value_or("");
        const std::string firstName = parameter(parameters, "firstName").value_or("");
        const std::string lastName = parameter(parameters, "lastName").value_or("");
        const std::string hostToken = parameter(parameters, "endUserToken").value_or("");
        std::vector<DeviceUser> device;
        std::optional<UserModel> stored;
        {
            std::lock_guard lock(mutex_);
            device = deviceUsers_;
            stored = storedUser_;
        }
        // The device proves who it registered with the tokens the desk showed it, as any client.
        std::string caller;
        for (const auto& known : device) {
            try {
                desk::User user = engine_->userForToken(known.token);
                const bool anonymousAgain =
                    userName.empty() && stored && stored->id == user.id && user.userName.empty();
                if ((!userName.empty() && user.userName == userName) || anonymousAgain) caller = user.id;
            } catch (const DeskError&) {
            }
            if (!caller.empty()) break;
        }
        desk::User user;
        std::string token;
        if (!caller.empty() && userName.empty()) {
            // This device's anonymous user registers again.
            user = engine_->updateUser(caller, firstName.empty() ? std::nullopt : std::optional(firstName),
                                       lastName.empty() ? std::nullopt : std::optional(lastName));
        } else {
            auto registration = engine_->registerUser(tenant_.tenantId, userName, firstName, lastName, caller);
            user = registration.user;
            token = registration.token;
        }
        std::lock_guard lock(mutex_);
        auto known = std::find_if(deviceUsers_.begin(), deviceUsers_.end(),
                                  [&](const DeviceUser& candidate) { return candidate.id == user.id; });
        if (known == deviceUsers_.end()) {
            deviceUsers_.push_back({user.id, token, hostToken});
        } else if (!hostToken.empty()) {
            known->hostToken = hostToken;
        }
        storedUser_ = userModel(user);
        return Reply<UserModel>{*storedUser_, {}};
    });
}

void SupportDesk::updateUser(StringDictionary userParameters,
                             ServiceCompletion<UserModel> completion) {
    respond<UserModel>(std::move(completion), [this, parameters = std::move(userParameters)] {
        std::optional<std::string> signedIn;
        {
            std::lock_guard lock(mutex_);
            if (storedUser_) signedIn = storedUser_->id;
        }
        auto value = [&](const char* key) -> std::optional<std::string> {
            auto it = parameters.find(key);
            if (it == parameters.end()) return std::nullopt;
            return it->second;
        };
        if (!signedIn || !findUser(*signedIn))
            return Reply<UserModel>{
                {}, ServiceError{ServiceError::Kind::notAuthorized, "No end user is signed in"}};
        UserModel user = userModel(engine_->updateUser(*signedIn, value("firstName"), value("lastName")));
        std::lock_guard lock(mutex_);
        if (storedUser_ && storedUser_->id == user.id) storedUser_ = user;
        return Reply<UserModel>{user, {}};
    });
}

std::optional<UserModel> SupportDesk::loadUser() {
    std::lock_guard lock(mutex_);
    return storedUser_;
}

void SupportDesk::authenticateUser(UserModel user, UserModel::AuthenticationCompletion completion) {
    worker_.post(options_.latency, [this, user = std::move(user), completion = std::move(completion)] {
        std::optional<DeviceUser> known;
        {
            std::lock_guard lock(mutex_);
            for (const auto& candidate : deviceUsers_)
                if (candidate.id == user.id) known = candidate;
        }
        bool valid = false;
        if (known) {
            try {
                valid = engine_->userForToken(known->token).id == user.id;
            } catch (const DeskError&) {
            }
        }
        if (!valid) {
            if (completion)
                completion(false, ServiceError{ServiceError::Kind::notFound,
                                               "The end user \"" + user.id + "\" is not registered"});
            return;
        }
        // The host's own token for its user, when it gave one, is what the device keeps.
        const std::string& token = known->hostToken.empty() ? known->token : known->hostToken;
        UserDefaults::standard().set(token, StoredKeys::tokenKey(user.id));
        NotificationCenter::defaultCenter().post("SavedAuth", nullptr, {{"userId", user.id}});
        if (completion) completion(true, std::nullopt);
    });
}

void SupportDesk::clearUserDetails(UserModel user) {
    {
        std::lock_guard lock(mutex_);
        storedUser_.reset();
    }
    UserDefaults::standard().remove(StoredKeys::tokenKey(user.id));
}

std::optional<Config> SupportDesk::loadConfig() {
    return tenant_;
}

// --- Live chat -----------------------------------------------------------------------------

void SupportDesk::configureChat(std::optional<std::string> tenantId,
                                std::optional<std::string> userId,
                                std::optional<std::string> chatId,
                                std::weak_ptr<ChatEventDelegate> delegate) {
    // Queued like every chat operation, so that the session changes in call order.
    worker_.post(options_.latency, [this, session = ChatSession{std::move(tenantId), std::move(userId),
                                                                std::move(chatId), std::move(delegate)}] {
        Unsent unsent;
        {
            std::lock_guard lock(mutex_);
            unsent = endSessionLocked();
            chat_ = session;
            watchLocked();
        }
        storeUnsent(unsent);
    });
}

void SupportDesk::connectChat(std::optional<std::string> firstMessage) {
    const bool sendsFirst = firstMessage && !firstMessage->empty();
    const double firstMessageId = sendsFirst ? nextMessageId() : 0;
    worker_.post(options_.latency, [this, firstMessage, sendsFirst, firstMessageId] {
        std::shared_ptr<ChatEventDelegate> delegate;
        ChatSession session;
        Unsent unsent;
        {
            std::lock_guard lock(mutex_);
            if (chat_.linkDown) unsent = endSessionLocked();  // connecting afresh over a dropped link
            session = chat_;
        }
        storeUnsent(unsent);
        std::optional<std::string> failure;
        std::optional<desk::Conversation> conversation;
        try {
            if (session.tenantId != tenant_.tenantId)
                failure = "Unknown tenant \"" + session.tenantId.value_or("") + "\"";
            else if (!session.userId || !findUser(*session.userId))
                failure = "Unknown end user \"" + session.userId.value_or("") + "\"";
            else if (!session.chatId || !(conversation = find(*session.chatId)))
                failure = "There is no conversation \"" + session.chatId.value_or("") + "\"";
        } catch (const DeskError& error) {
            failure = serviceError(error).customDescription;  // the store failed
        }
        {
            std::lock_guard lock(mutex_);
            chat_.connected = !failure;
            chat_.customerId = conversation ? conversation->userId : std::string();
            watchLocked();
            delegate = chat_.delegate.lock();
        }
        // The connection does not depend on anyone listening.
        if (delegate) delegate->connecting();
        if (failure) {
            if (delegate) delegate->chatErrorReceived(*failure);
            return;
        }
        if (delegate) delegate->connected();
        delegate.reset();
        if (sendsFirst) receiveCustomerMessage(*firstMessage, firstMessageId);
    });
}

double SupportDesk::sendMessage(std::string message) {
    const double messageId = nextMessageId();
    worker_.post(options_.latency,
                 [this, message = std::move(message), messageId] { receiveCustomerMessage(message, messageId); });
    return messageId;
}

void SupportDesk::subscribe() {
    // A connected chat receives every event already; there is nothing more to subscribe to.
}

void SupportDesk::disconnectChat() {
    worker_.post(options_.latency, [this] {
        std::shared_ptr<ChatEventDelegate> delegate;
        Unsent unsent;
        {
            std::lock_guard lock(mutex_);
            if (!chat_.connected) return;
            unsent = endSessionLocked();
            chat_.connected = false;
            watchLocked();
            delegate = chat_.delegate.lock();
        }
        storeUnsent(unsent);
        if (delegate) delegate->disconnected();
    });
}

void SupportDesk::dropConnection() {
    worker_.post(0, [this] {
        std::shared_ptr<ChatEventDelegate> delegate;
        {
            std::lock_guard lock(mutex_);
            if (!chat_.connected || chat_.linkDown) return;
            dropLocked();
            delegate = chat_.delegate.lock();
        }
        if (delegate) delegate->disconnected();
    });
}

void SupportDesk::dropLocked() {
    chat_.linkDown = true;
    worker_.post(options_.reconnectDelay, [this, link = ++link_] { reconnect(link); });
}

void SupportDesk::reconnect(std::uint64_t link) {
    std::shared_ptr<ChatEventDelegate> delegate;
    std::vector<ChatEvent> waiting;
    std::vector<OutgoingMessage> outbox;
    std::string conversationId;
    {
        std::lock_guard lock(mutex_);
        if (link != link_ || !chat_.connected || !chat_.linkDown) return;
        chat_.linkDown = false;
        delegate = chat_.delegate.lock();
        waiting = std::exchange(waitingForLink_, {});
        outbox = std::exchange(outbox_, {});
        conversationId = chat_.chatId.value_or("");
    }
    if (delegate) {
        delegate->connecting();
        delegate->connected();
    }
    delegate.reset();
    // What was on its way to the chat first, then what the customer sent meanwhile.
    for (auto& waitingEvent : waiting) sendChatEvent(conversationId, std::move(waitingEvent));
    for (const auto& message : outbox) receiveCustomerMessage(message.text, message.messageId);
}

SupportDesk::Unsent SupportDesk::endSessionLocked() {
    ++session_;
    ++link_;
    chat_.linkDown = false;
    waitingForLink_.clear();
    held_.clear();
    Unsent unsent{chat_.connected ? chat_.chatId.value_or("") : std::string(), chat_.customerId,
                  std::exchange(outbox_, {})};
    return unsent;
}

void SupportDesk::storeUnsent(const Unsent& unsent) {
    // Messages the customer sent before leaving still reach the conversation; nobody hears an echo.
    if (unsent.conversationId.empty()) return;
    for (const auto& message : unsent.messages) {
        try {
            engine_->customerSays(unsent.customerId, unsent.conversationId, message.text);
        } catch (const DeskError&) {
            // Closed or gone meanwhile: the desk refuses it, as it would the chat.
        }
    }
}

void SupportDesk::watchLocked() {
    std::lock_guard lock(watchedMutex_);
    watched_ = chat_.connected ? chat_.chatId : std::nullopt;
}

void SupportDesk::receiveCustomerMessage(const std::string& text, double messageId) {
    std::string conversationId, customerId;
    {
        std::lock_guard lock(mutex_);
        if (chat_.connected && chat_.linkDown) {
            // It reaches the desk once the link is back.
            outbox_.push_back({text, messageId});
            return;
        }
        if (chat_.connected && chat_.chatId) {
            conversationId = *chat_.chatId;
            customerId = chat_.customerId;
        }
    }
    std::optional<std::string> refusal;
    desk::DeskEngine::Sent sent;
    if (conversationId.empty()) {
        refusal = "The chat is not connected; the message was not sent";
    } else {
        try {
            sent = engine_->customerSays(customerId, conversationId, text);
        } catch (const DeskError& error) {
            refusal = error.code() == DeskError::Code::notFound
                          ? "The chat is not connected; the message was not sent"
                          : serviceError(error).customDescription + "; the message was not sent";
        }
    }
    if (refusal) {
        std::shared_ptr<ChatEventDelegate> delegate;
        {
            std::lock_guard lock(mutex_);
            delegate = chat_.delegate.lock();
        }
        if (delegate) delegate->chatErrorReceived(*refusal);
        return;
    }
    // Queued before the echo goes out: the echo's handler may release the desk.
    worker_.post(options_.agentReplyDelay,
                 [this, conversationId, text] { answerAsAgent(conversationId, text); });
    sendChatEvent(conversationId, {messageEvent("RECEIVED_MESSAGE_RESPONSE", "CUSTOMER", text, messageId,
                                                conversationId, dateOf(sent.message.createdAt)),
                                   true});
}

void SupportDesk::answerAsAgent(const std::string& conversationId, const std::string& customerMessage) {
    std::string reply = options_.agentReply
                            ? options_.agentReply(customerMessage)
                            : "Thank you for your message. I am looking into it right away.";
    desk::DeskEngine::Sent sent;
    try {
        // The engine counts the answer unseen unless the customer's chat is open on it.
        sent = engine_->agentSays(agent_, conversationId, reply);
    } catch (const DeskError&) {
        return;  // closed or gone meanwhile
    }
    const double messageId = nextMessageId();
    bool inChat;
    {
        std::lock_guard lock(mutex_);
        inChat = chat_.connected && chat_.chatId == conversationId;
    }
    if (inChat)
        sendChatEvent(conversationId, {messageEvent("RECEIVED_MESSAGE_RESPONSE", "AGENT", reply, messageId,
                                                    conversationId, dateOf(sent.message.createdAt))});
    NotificationCenter::defaultCenter().post("ReceivedNewVelmaroMessage", nullptr,
                                             {{"conversationId", conversationId}});
}

void SupportDesk::sendChatEvent(const std::string& conversationId, ChatEvent chatEvent) {
    std::shared_ptr<ChatEventDelegate> delegate;
    std::vector<AnyDictionary> out;
    bool dropped = false;
    {
        std::lock_guard lock(mutex_);
        if (!chat_.connected || chat_.chatId != conversationId) return;
        const auto& chaos = options_.chaos;
        if (!chat_.linkDown && chaos && rollLocked(chaos->dropConnection)) {
            dropLocked();
            dropped = true;
        }
        delegate = chat_.delegate.lock();
        if (chat_.linkDown) {
            waitingForLink_.push_back(std::move(chatEvent));
            if (!dropped) return;
        } else {
            const bool holdEcho = chatEvent.echo && chaos && rollLocked(chaos->delayEcho);
            if (holdEcho || (chaos && rollLocked(chaos->reorderEvents))) {
                const std::uint64_t id = nextHeldId_++;
                held_.push_back({std::move(chatEvent), holdEcho, session_, id});
                worker_.post(chaos->holdLimit, [this, id] { releaseHeld(id); });
                return;
            }
            out.push_back(chatEvent.event);
            if (chaos && rollLocked(chaos->duplicateEcho)) out.push_back(chatEvent.event);
            if (chaos && rollLocked(chaos->malformedEvent)) out.push_back(malformedLocked(chatEvent.event));
            // What was held back for this event goes out after it.
            std::erase_if(held_, [&](HeldEvent& waiting) {
                if (waiting.untilNextEcho && !chatEvent.echo) return false;
                out.push_back(std::move(waiting.chatEvent.event));
                return true;
            });
        }
    }
    if (dropped) {
        if (delegate) delegate->disconnected();
        return;
    }
    deliver(delegate, out);
}

void SupportDesk::deliver(const std::shared_ptr<ChatEventDelegate>& delegate,
                          const std::vector<AnyDictionary>& events) {
    for (const auto& event : events) {
        if (options_.chatEventObserver) options_.chatEventObserver(event);
        if (delegate) delegate->chatMessageReceived(event);
    }
}

void SupportDesk::releaseHeld(std::uint64_t id) {
    std::shared_ptr<ChatEventDelegate> delegate;
    std::vector<AnyDictionary> out;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(held_.begin(), held_.end(), [&](const HeldEvent& held) { return held.id == id; });
        if (it == held_.end()) return;  // gone out already
        HeldEvent held = std::move(*it);
        held_.erase(it);
        if (held.session != session_ || !chat_.connected) return;
        if (chat_.linkDown) {
            waitingForLink_.push_back(std::move(held.chatEvent));
            return;
        }
        delegate = chat_.delegate.lock();
        out.push_back(std::move(held.chatEvent.event));
    }
    deliver(delegate, out);
}

AnyDictionary SupportDesk::malformedLocked(const AnyDictionary& event) {
    AnyDictionary broken = event;
    switch (std::uniform_int_distribution<int>(0, 6)(chaosRandom_)) {
    case 0: return {};
    case 1: broken["messageId"] = Any(std::string("not a number")); break;
    case 2: broken["createdDateTime"] = Any(42); break;
    case 3: broken.erase("type"); break;
    case 4: broken["message"] = Any(7.5); break;
    case 5: broken.erase("senderType"); broken.erase("messageId"); break;
    default: broken.erase("messageId"); broken["senderType"] = Any(true); break;
    }
    return broken;
}

}  // namespace velmaro
