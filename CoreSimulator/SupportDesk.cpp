#include "CoreSimulator/SupportDesk.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "Dispatch/DispatchQueue.h"
#include "Foundation/DateFormatter.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/TextHelpers.h"
#include "Foundation/UserDefaults.h"
#include "Velmaro/CoreInterface/StoredKeys.h"
#include "Velmaro/CoreInterface/WireFormat.h"

namespace velmaro {

namespace {

constexpr std::size_t kSubjectLimit = 60;  // bytes, cut back to a whole character

std::string fullDateText(Date date) {
    return WireFormat::dateFormatter().stringFromDate(date);
}

std::optional<std::string> parameter(const std::optional<StringDictionary>& parameters,
                                     const std::string& key) {
    if (!parameters) return std::nullopt;
    auto it = parameters->find(key);
    if (it == parameters->end()) return std::nullopt;
    return it->second;
}

// The first line of the description, shortened for a subject line.
std::string subjectFrom(const std::string& description) {
    std::string line = trimmingWhitespaceAndNewlines(description);
    line = line.substr(0, line.find('\n'));
    line = trimmingWhitespaceAndNewlines(line);
    if (line.size() <= kSubjectLimit) return line;
    std::size_t cut = kSubjectLimit;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    return line.substr(0, cut) + "…";
}

ContentModel content(std::string text, std::string direction, std::string contentType,
                     std::string eventDescription = "") {
    return {std::move(text), std::move(direction), Date::now(), std::move(contentType),
            std::move(eventDescription)};
}

AnyDictionary messageEvent(const std::string& type, const std::string& senderType,
                           const std::string& message, double messageId,
                           const std::string& conversationId) {
    return {{"type", type},
            {"senderType", senderType},
            {"message", message},
            {"messageId", messageId},
            {"createdDateTime", Date::now()},
            {"conversationId", conversationId}};
}

}  // namespace

const std::vector<std::string>& SupportDesk::satisfactionScoreIds() {
    static const std::vector<std::string> ids{"VERY_DISSATISFIED", "DISSATISFIED", "NEUTRAL",
                                              "SATISFIED", "VERY_SATISFIED"};
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
      random_(std::random_device{}()),
      chaosRandom_(options_.chaos ? options_.chaos->seed : 0) {}

SupportDesk::~SupportDesk() = default;

ServiceError SupportDesk::unknownConversation(const std::string& conversationId) {
    return {ServiceError::Kind::notFound, "There is no conversation \"" + conversationId + "\""};
}

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
        Reply<T> reply = serverError ? Reply<T>{{},
                                                ServiceError{ServiceError::Kind::connection,
                                                             "The server could not answer. Please try again."}}
                                     : handle();
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

// --- Conversations -------------------------------------------------------------------------

std::string SupportDesk::seedConversation(ConversationModel conversation) {
    std::lock_guard lock(mutex_);
    if (conversation.number <= 0) conversation.number = nextNumber_;
    nextNumber_ = std::max(nextNumber_, conversation.number + 1);
    if (conversation.id.empty() || findLocked(conversation.id)) conversation.id = newIdLocked("conversation-");
    if (conversation.status.empty()) conversation.status = "OPEN";
    if (conversation.dateTime.empty()) conversation.dateTime = fullDateText(Date::now());
    conversations_.push_back(conversation);
    return conversation.id;
}

void SupportDesk::closeConversation(const std::string& conversationId) {
    worker_.post(options_.latency, [this, conversationId] {
        double messageId;
        {
            std::lock_guard lock(mutex_);
            ConversationModel* conversation = findLocked(conversationId);
            if (!conversation) return;
            messageId = nextMessageId_++;
            conversation->status = "CLOSED";
            conversation->activities.push_back(
                {{content("", "SYSTEM", "CONVERSATION_CLOSED", "Conversation closed")}});
        }
        sendChatEvent(conversationId, {messageEvent("INTERACTION_CLOSED_RESPONSE", "ANNOUNCER",
                                                    "Conversation closed", messageId, conversationId)});
    });
}

void SupportDesk::agentSays(std::string text) {
    worker_.post(options_.latency, [this, text = std::move(text)] {
        std::shared_ptr<ChatEventDelegate> delegate;
        std::string conversationId;
        double messageId;
        {
            std::lock_guard lock(mutex_);
            if (!chat_.connected || !chat_.chatId) return;
            ConversationModel* conversation = findLocked(*chat_.chatId);
            if (!conversation) return;
            conversationId = conversation->id;
            if (!conversation->agentName || conversation->agentName->empty()) {
                conversation->agentName = options_.agentName;
                conversation->agentAvatarUrl = options_.agentAvatarUrl;
            }
            conversation->activities.push_back({{content(text, "OUTBOUND", "TEXT")}});
            messageId = nextMessageId_++;
            delegate = chat_.delegate.lock();
        }
        if (delegate)
            delegate->chatMessageReceived(
                messageEvent("RECEIVED_MESSAGE_RESPONSE", "AGENT", text, messageId, conversationId));
    });
}

std::optional<ConversationModel> SupportDesk::conversation(const std::string& conversationId) const {
    std::lock_guard lock(mutex_);
    auto* found = const_cast<SupportDesk*>(this)->findLocked(conversationId);
    if (!found) return std::nullopt;
    return *found;
}

std::optional<std::string> SupportDesk::conversationScore(const std::string& conversationId) const {
    std::lock_guard lock(mutex_);
    auto it = scores_.find(conversationId);
    if (it == scores_.end()) return std::nullopt;
    return it->second;
}

std::vector<UserModel> SupportDesk::users() const {
    std::lock_guard lock(mutex_);
    std::vector<UserModel> result;
    for (const auto& registered : users_) result.push_back(registered.user);
    return result;
}

void SupportDesk::getAllConversations(std::optional<StringDictionary> parameters,
                                      ServiceCompletion<std::vector<ConversationModel>> completion) {
    bool onlyUnseen = parameter(parameters, "onlyUnseen") == "true";
    respond<std::vector<ConversationModel>>(std::move(completion), [this, onlyUnseen] {
        std::lock_guard lock(mutex_);
        std::vector<ConversationModel> list;
        // Newest first, as a support desk lists them.
        for (auto it = conversations_.rbegin(); it != conversations_.rend(); ++it)
            if (!onlyUnseen || it->unseenActivityCount > 0) list.push_back(*it);
        return Reply<std::vector<ConversationModel>>{std::move(list), std::nullopt};
    });
}

void SupportDesk::getConversation(std::string conversationId,
                                  ServiceCompletion<ConversationModel> completion) {
    respond<ConversationModel>(std::move(completion), [this, conversationId] {
        std::lock_guard lock(mutex_);
        if (auto* found = findLocked(conversationId)) return Reply<ConversationModel>{*found, {}};
        return Reply<ConversationModel>{{}, unknownConversation(conversationId)};
    });
}

void SupportDesk::createConversation(std::optional<StringDictionary> parameters,
                                     ServiceCompletion<ConversationModel> completion) {
    auto description = parameter(parameters, "description");
    respond<ConversationModel>(std::move(completion), [this, description] {
        if (!description || trimmingWhitespaceAndNewlines(*description).empty())
            return Reply<ConversationModel>{
                {}, ServiceError{ServiceError::Kind::invalidRequest,
                                 "Please describe your problem to open a conversation"}};
        std::lock_guard lock(mutex_);
        ConversationModel conversation;
        conversation.number = nextNumber_++;
        conversation.id = "conversation-" + std::to_string(conversation.number);
        if (findLocked(conversation.id)) conversation.id = newIdLocked("conversation-");
        conversation.subject = subjectFrom(*description);
        conversation.description = *description;
        conversation.dateTime = fullDateText(Date::now());
        conversation.status = "OPEN";
        // The description itself arrives as the chat's first message.
        conversation.activities.push_back(
            {{content("", "SYSTEM", "CONVERSATION_STARTED", "Conversation started")}});
        conversations_.push_back(conversation);
        return Reply<ConversationModel>{std::move(conversation), {}};
    });
}

void SupportDesk::setConversationSeen(std::string conversationId,
                                      ServiceCompletion<ConversationModel> completion) {
    respond<ConversationModel>(std::move(completion), [this, conversationId] {
        std::lock_guard lock(mutex_);
        ConversationModel* found = findLocked(conversationId);
        if (!found) return Reply<ConversationModel>{{}, unknownConversation(conversationId)};
        found->unseenActivityCount = 0;
        return Reply<ConversationModel>{*found, {}};
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
        const auto& ids = satisfactionScoreIds();
        if (std::find(ids.begin(), ids.end(), scoreId) == ids.end())
            return Reply<ConversationModel>{
                {}, ServiceError{ServiceError::Kind::notFound,
                                 "There is no satisfaction score \"" + scoreId + "\""}};
        std::lock_guard lock(mutex_);
        ConversationModel* found = findLocked(conversationId);
        if (!found) return Reply<ConversationModel>{{}, unknownConversation(conversationId)};
        // Rating ends the conversation for the customer.
        scores_[conversationId] = scoreId;
        found->status = "CLOSED";
        return Reply<ConversationModel>{*found, {}};
    });
}

// --- End users -----------------------------------------------------------------------------

void SupportDesk::createEndUser(std::optional<StringDictionary> userParameters,
                                ServiceCompletion<UserModel> completion) {
    respond<UserModel>(std::move(completion), [this, parameters = std::move(userParameters)] {
        std::string userName = parameter(parameters, "userName").value_or("");
        auto firstName = parameter(parameters, "firstName");
        auto lastName = parameter(parameters, "lastName");
        auto token = parameter(parameters, "endUserToken");
        if (tenant_.userNameRequired && userName.empty())
            return Reply<UserModel>{
                {}, ServiceError{ServiceError::Kind::invalidRequest,
                                 tenant_.name + " support needs a user name to register you"}};

        std::lock_guard lock(mutex_);
        RegisteredUser* registered = nullptr;
        if (!userName.empty()) {
            for (auto& candidate : users_)
                if (candidate.user.userName == userName) registered = &candidate;
        } else if (storedUser_ && storedUser_->userName.empty()) {
            // This device's anonymous user registers again.
            registered = findUserLocked(storedUser_->id);
        }
        if (!registered) {
            RegisteredUser fresh;
            fresh.user.id = newIdLocked("user-");
            fresh.user.userName = userName;
            fresh.token = newIdLocked("token-");
            users_.push_back(std::move(fresh));
            registered = &users_.back();
        }
        if (firstName && !firstName->empty()) registered->user.firstName = *firstName;
        if (lastName && !lastName->empty()) registered->user.lastName = *lastName;
        if (token && !token->empty()) registered->token = *token;
        storedUser_ = registered->user;
        return Reply<UserModel>{registered->user, {}};
    });
}

void SupportDesk::updateUser(StringDictionary userParameters,
                             ServiceCompletion<UserModel> completion) {
    respond<UserModel>(std::move(completion), [this, parameters = std::move(userParameters)] {
        std::lock_guard lock(mutex_);
        RegisteredUser* registered = storedUser_ ? findUserLocked(storedUser_->id) : nullptr;
        if (!registered)
            return Reply<UserModel>{
                {}, ServiceError{ServiceError::Kind::notAuthorized, "No end user is signed in"}};
        if (auto it = parameters.find("firstName"); it != parameters.end())
            registered->user.firstName = it->second;
        if (auto it = parameters.find("lastName"); it != parameters.end())
            registered->user.lastName = it->second;
        storedUser_ = registered->user;
        return Reply<UserModel>{registered->user, {}};
    });
}

std::optional<UserModel> SupportDesk::loadUser() {
    std::lock_guard lock(mutex_);
    return storedUser_;
}

void SupportDesk::authenticateUser(UserModel user, UserModel::AuthenticationCompletion completion) {
    worker_.post(options_.latency, [this, user = std::move(user), completion = std::move(completion)] {
        std::optional<std::string> token;
        {
            std::lock_guard lock(mutex_);
            if (RegisteredUser* registered = findUserLocked(user.id)) token = registered->token;
        }
        if (!token) {
            if (completion)
                completion(false, ServiceError{ServiceError::Kind::notFound,
                                               "The end user \"" + user.id + "\" is not registered"});
            return;
        }
        UserDefaults::standard().set(*token, StoredKeys::tokenKey(user.id));
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
        std::lock_guard lock(mutex_);
        endSessionLocked();
        chat_ = session;
    });
}

void SupportDesk::connectChat(std::optional<std::string> firstMessage) {
    double firstMessageId = 0;
    bool sendsFirst = firstMessage && !firstMessage->empty();
    if (sendsFirst) {
        std::lock_guard lock(mutex_);
        firstMessageId = nextMessageId_++;
    }
    worker_.post(options_.latency, [this, firstMessage, sendsFirst, firstMessageId] {
        std::shared_ptr<ChatEventDelegate> delegate;
        std::optional<std::string> failure;
        {
            std::lock_guard lock(mutex_);
            if (chat_.linkDown) endSessionLocked();  // connecting afresh over a dropped link
            delegate = chat_.delegate.lock();
            if (chat_.tenantId != tenant_.tenantId)
                failure = "Unknown tenant \"" + chat_.tenantId.value_or("") + "\"";
            else if (!chat_.userId || !findUserLocked(*chat_.userId))
                failure = "Unknown end user \"" + chat_.userId.value_or("") + "\"";
            else if (!chat_.chatId || !findLocked(*chat_.chatId))
                failure = "There is no conversation \"" + chat_.chatId.value_or("") + "\"";
            chat_.connected = !failure;
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
    double messageId;
    {
        std::lock_guard lock(mutex_);
        messageId = nextMessageId_++;
    }
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
        {
            std::lock_guard lock(mutex_);
            if (!chat_.connected) return;
            endSessionLocked();
            chat_.connected = false;
            delegate = chat_.delegate.lock();
        }
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

void SupportDesk::endSessionLocked() {
    ++session_;
    ++link_;
    chat_.linkDown = false;
    waitingForLink_.clear();
    held_.clear();
    // Messages the customer sent before leaving still reach the conversation; nobody hears an echo.
    if (chat_.chatId)
        if (ConversationModel* conversation = findLocked(*chat_.chatId))
            for (const auto& message : outbox_)
                conversation->activities.push_back({{content(message.text, "INBOUND", "TEXT")}});
    outbox_.clear();
}

std::shared_ptr<ChatEventDelegate> SupportDesk::connectedDelegateLocked(
    const std::string& conversationId) const {
    if (!chat_.connected || chat_.chatId != conversationId) return nullptr;
    return chat_.delegate.lock();
}

void SupportDesk::receiveCustomerMessage(const std::string& text, double messageId) {
    std::shared_ptr<ChatEventDelegate> delegate;
    std::string conversationId;
    {
        std::lock_guard lock(mutex_);
        if (chat_.connected && chat_.linkDown) {
            // It reaches the desk once the link is back.
            outbox_.push_back({text, messageId});
            return;
        }
        delegate = chat_.delegate.lock();
        if (chat_.connected && chat_.chatId) {
            conversationId = *chat_.chatId;
            if (ConversationModel* conversation = findLocked(conversationId))
                conversation->activities.push_back({{content(text, "INBOUND", "TEXT")}});
            else
                conversationId.clear();
        }
    }
    if (conversationId.empty()) {
        if (delegate) delegate->chatErrorReceived("The chat is not connected; the message was not sent");
        return;
    }
    // Queued before the echo goes out: the echo's handler may release the desk.
    worker_.post(options_.agentReplyDelay,
                 [this, conversationId, text] { answerAsAgent(conversationId, text); });
    delegate.reset();
    sendChatEvent(conversationId,
                  {messageEvent("RECEIVED_MESSAGE_RESPONSE", "CUSTOMER", text, messageId, conversationId), true});
}

void SupportDesk::answerAsAgent(const std::string& conversationId, const std::string& customerMessage) {
    std::string reply = options_.agentReply
                            ? options_.agentReply(customerMessage)
                            : "Thank you for your message. I am looking into it right away.";
    std::shared_ptr<ChatEventDelegate> delegate;
    double messageId;
    {
        std::lock_guard lock(mutex_);
        ConversationModel* conversation = findLocked(conversationId);
        if (!conversation) return;
        if (!conversation->agentName || conversation->agentName->empty()) {
            conversation->agentName = options_.agentName;
            conversation->agentAvatarUrl = options_.agentAvatarUrl;
        }
        conversation->activities.push_back({{content(reply, "OUTBOUND", "TEXT")}});
        messageId = nextMessageId_++;
        delegate = connectedDelegateLocked(conversationId);
        // Whoever is not in the chat has not seen the answer.
        if (!delegate) ++conversation->unseenActivityCount;
    }
    if (delegate) {
        delegate.reset();
        sendChatEvent(conversationId,
                      {messageEvent("RECEIVED_MESSAGE_RESPONSE", "AGENT", reply, messageId, conversationId)});
    }
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

// --- Lookup --------------------------------------------------------------------------------

ConversationModel* SupportDesk::findLocked(const std::string& conversationId) {
    for (auto& conversation : conversations_)
        if (conversation.id == conversationId) return &conversation;
    return nullptr;
}

SupportDesk::RegisteredUser* SupportDesk::findUserLocked(const std::string& userId) {
    for (auto& registered : users_)
        if (registered.user.id == userId) return &registered;
    return nullptr;
}

std::string SupportDesk::newIdLocked(const std::string& prefix) {
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(random_()));
    return prefix + digits;
}

}  // namespace velmaro
