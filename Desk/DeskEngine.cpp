#include "Desk/DeskEngine.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>
#include <utility>

namespace velmaro::desk {

namespace {

constexpr std::size_t kSubjectLimit = 60;  // bytes, cut back to a whole character

bool isBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); });
}

std::string trimmed(const std::string& text) {
    auto blank = [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    std::size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// The first line of the description, shortened for a subject line.
std::string subjectFrom(const std::string& description) {
    std::string line = trimmed(description);
    line = trimmed(line.substr(0, line.find('\n')));
    if (line.size() <= kSubjectLimit) return line;
    std::size_t cut = kSubjectLimit;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    return line.substr(0, cut) + "…";
}

DeskError notFound(const std::string& conversationId) {
    return DeskError(DeskError::Code::notFound, "There is no conversation \"" + conversationId + "\"",
                     "conversationId");
}

}  // namespace

DeskEngine::DeskEngine(std::unique_ptr<DeskStore> store, Options options)
    : store_(std::move(store)), options_(std::move(options)) {
    if (options_.listener)
        store_->hearOthers({[this](const std::string& id, std::int64_t offset) { heardOf(id, offset); },
                            [this] {
                                std::lock_guard lock(mutex_);
                                if (options_.othersMissed) options_.othersMissed();
                            }});
}

DeskEngine::~DeskEngine() {
    stopHearingOthers();
}

void DeskEngine::stopHearingOthers() {
    store_->hearOthers({});
}

// Another desk committed: told as if it happened here, with what the database holds now.
void DeskEngine::heardOf(const std::string& conversationId, std::int64_t offset) {
    std::lock_guard lock(mutex_);
    try {
        auto conversation = store_->conversation(conversationId);
        if (!conversation) return;
        if (offset == 0) return emitLocked({Event::Kind::conversationChanged, *conversation, std::nullopt});
        auto found = store_->messages(conversationId, offset - 1, 1);
        if (found.empty() || found[0].offset != offset) return;
        // The desk that stored an agent's message cannot know that the customer has the chat
        // open here: seen as it arrives, as if it had been written here.
        if (found[0].direction == "OUTBOUND" && conversation->unseenByUser > 0 && options_.customerWatching &&
            options_.customerWatching(conversationId))
            conversation = markSeenByUser(conversation->userId, conversationId);
        emitLocked({Event::Kind::message, *conversation, found[0]});
    } catch (const DeskError&) {
        // The database is out of reach: readers catch up by offset when it is back.
    }
}

const std::vector<SatisfactionScore>& DeskEngine::satisfactionScores() {
    static const std::vector<SatisfactionScore> scores{{"VERY_DISSATISFIED", "Very dissatisfied"},
                                                       {"DISSATISFIED", "Dissatisfied"},
                                                       {"NEUTRAL", "Neutral"},
                                                       {"SATISFIED", "Satisfied"},
                                                       {"VERY_SATISFIED", "Very satisfied"}};
    return scores;
}

std::string DeskEngine::senderType(const Message& message) {
    if (message.direction == "INBOUND") return "CUSTOMER";
    if (message.direction == "OUTBOUND") return "AGENT";
    return "ANNOUNCER";
}

Millis DeskEngine::now() const {
    if (options_.clock) return options_.clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void DeskEngine::checkText(const std::string& text, std::size_t limit, const char* field, bool required) {
    if (text.size() > limit)
        throw DeskError(DeskError::Code::invalid,
                        std::string(field) + " is longer than " + std::to_string(limit) + " bytes", field);
    if (!isValidUtf8(text)) throw DeskError(DeskError::Code::invalid, std::string(field) + " is not valid UTF-8", field);
    if (required && isBlank(text)) throw DeskError(DeskError::Code::invalid, std::string(field) + " is empty", field);
}

void DeskEngine::emitLocked(const Event& event) {
    if (holdingEvents_) return heldEvents_.push_back(event);
    tellLocked(event);
}

// Each conversation's messages are told once and in offset order, whichever desk committed them:
// what another desk committed in between (and is not heard yet) is read first, and what was told
// already is not told again.
void DeskEngine::tellLocked(const Event& event) {
    if (!options_.listener) return;
    if (event.message) {
        const std::int64_t offset = event.message->offset;
        auto [told, first] = toldOffsets_.try_emplace(event.conversation.id, offset);
        if (!first) {
            if (offset <= told->second) return;
            if (offset > told->second + 1) {
                try {
                    const auto gap = static_cast<std::size_t>(offset - told->second - 1);
                    for (const auto& between : store_->messages(event.conversation.id, told->second, gap))
                        if (between.offset < offset)
                            options_.listener({Event::Kind::message, event.conversation, between});
                } catch (const DeskError&) {
                    // Out of reach: those readers that keep offsets catch up by them.
                }
            }
            told->second = offset;
        }
    }
    options_.listener(event);
}

// --- Tenants and agents ------------------------------------------------------------------------

void DeskEngine::putTenant(const Tenant& tenant) {
    if (tenant.id.empty() || tenant.id.size() > kNameLimit || !isValidUtf8(tenant.id))
        throw DeskError(DeskError::Code::invalid, "a tenant needs an id", "tenantId");
    std::lock_guard lock(mutex_);
    store_->putTenant(tenant);
}

std::optional<Tenant> DeskEngine::tenant(const std::string& tenantId) {
    std::lock_guard lock(mutex_);
    return store_->tenant(tenantId);
}

bool DeskEngine::hasAgent(const std::string& tenantId, const std::string& email) {
    std::lock_guard lock(mutex_);
    return store_->agentByEmail(tenantId, email).has_value();
}

Agent DeskEngine::ensureAgent(const std::string& tenantId, const std::string& email, const std::string& name,
                              const std::string& password, const std::string& avatarUrl) {
    checkText(email, kNameLimit, "email", true);
    checkText(name, kNameLimit, "name", false);
    if (password.size() < 8)
        throw DeskError(DeskError::Code::invalid, "an agent's password needs at least 8 characters", "password");
    {
        std::lock_guard lock(mutex_);
        if (!store_->tenant(tenantId)) throw DeskError(DeskError::Code::notFound, "unknown tenant", "tenantId");
        if (auto existing = store_->agentByEmail(tenantId, email)) return existing->first;
    }
    // Hashing is slow on purpose: outside the lock.
    const std::string hash = secrets::hashPassword(password, options_.passwordCost);
    std::lock_guard lock(mutex_);
    if (auto existing = store_->agentByEmail(tenantId, email)) return existing->first;
    Agent agent{secrets::randomId("agent-"), tenantId, email, name.empty() ? email : name, avatarUrl};
    store_->insertAgent(agent, hash);
    // Another desk on the same database may have added it first: the stored one stands.
    if (auto stored = store_->agentByEmail(tenantId, email)) return stored->first;
    return agent;
}

DeskEngine::AgentSession DeskEngine::signInAgent(const std::string& tenantId, const std::string& email,
                                                 const std::string& password) {
    std::optional<std::pair<Agent, std::string>> found;
    {
        std::lock_guard lock(mutex_);
        found = store_->agentByEmail(tenantId, email);
    }
    // The same answer, and about the same work, for an unknown e-mail as for a wrong password.
    static const std::string decoy = secrets::hashPassword("not a password", options_.passwordCost);
    const bool valid = secrets::verifyPassword(password, found ? found->second : decoy) && found;
    if (!valid) throw DeskError(DeskError::Code::unauthorized, "wrong e-mail or password");
    AgentSession session{found->first, secrets::randomToken()};
    std::lock_guard lock(mutex_);
    store_->insertAgentSession(secrets::tokenHash(session.token), session.agent.id, now());
    return session;
}

Agent DeskEngine::agentForToken(const std::string& token) {
    if (token.empty() || token.size() > 200) throw DeskError(DeskError::Code::unauthorized, "a valid agent token is needed");
    const std::string hash = secrets::tokenHash(token);
    std::lock_guard lock(mutex_);
    auto found = store_->agentBySessionHash(hash);
    if (!found || !secrets::constantTimeEquals(found->second, hash))
        throw DeskError(DeskError::Code::unauthorized, "a valid agent token is needed");
    return found->first;
}

void DeskEngine::signOutAgent(const std::string& token) {
    agentForToken(token);
    std::lock_guard lock(mutex_);
    store_->deleteAgentSession(secrets::tokenHash(token));
}

// --- End users ---------------------------------------------------------------------------------

DeskEngine::Registration DeskEngine::registerUser(const std::string& tenantId, const std::string& userName,
                                                  const std::string& firstName, const std::string& lastName,
                                                  const std::string& callerUserId) {
    checkText(userName, kNameLimit, "userName", false);
    checkText(firstName, kNameLimit, "firstName", false);
    checkText(lastName, kNameLimit, "lastName", false);
    std::lock_guard lock(mutex_);
    auto tenant = store_->tenant(tenantId);
    if (!tenant) throw DeskError(DeskError::Code::notFound, "unknown tenant", "tenantId");
    if (tenant->userNameRequired && isBlank(userName))
        throw DeskError(DeskError::Code::invalid, tenant->name + " support needs a user name to register you",
                        "userName");
    Registration registration;
    registration.token = secrets::randomToken();
    std::optional<User> existing = userName.empty() ? std::nullopt : store_->userByName(tenantId, userName);
    if (existing) {
        // Knowing a user name is not knowing the user: only its own token re-registers it.
        if (existing->id != callerUserId)
            throw DeskError(DeskError::Code::conflict, "the user name is taken", "userName");
        if (!firstName.empty()) existing->firstName = firstName;
        if (!lastName.empty()) existing->lastName = lastName;
        store_->updateUser(*existing);
        registration.user = *existing;
        return registration;  // the token the caller holds stays; the fresh one is not stored
    }
    registration.user = User{secrets::randomId("user-"), tenantId, userName, firstName, lastName, "", now()};
    store_->insertUser(registration.user, secrets::tokenHash(registration.token));
    return registration;
}

User DeskEngine::userForToken(const std::string& token) {
    if (token.empty() || token.size() > 200) throw DeskError(DeskError::Code::unauthorized, "a valid user token is needed");
    const std::string hash = secrets::tokenHash(token);
    std::lock_guard lock(mutex_);
    auto found = store_->userByTokenHash(hash);
    if (!found || !secrets::constantTimeEquals(found->second, hash))
        throw DeskError(DeskError::Code::unauthorized, "a valid user token is needed");
    return found->first;
}

User DeskEngine::updateUser(const std::string& userId, const std::optional<std::string>& firstName,
                            const std::optional<std::string>& lastName) {
    if (firstName) checkText(*firstName, kNameLimit, "firstName", false);
    if (lastName) checkText(*lastName, kNameLimit, "lastName", false);
    std::lock_guard lock(mutex_);
    auto user = store_->user(userId);
    if (!user) throw DeskError(DeskError::Code::unauthorized, "no such user");
    if (firstName) user->firstName = *firstName;
    if (lastName) user->lastName = *lastName;
    store_->updateUser(*user);
    return *user;
}

std::vector<User> DeskEngine::users(const std::string& tenantId) {
    std::lock_guard lock(mutex_);
    return store_->users(tenantId);
}

std::optional<User> DeskEngine::user(const std::string& userId) {
    std::lock_guard lock(mutex_);
    return store_->user(userId);
}

// --- Conversations -----------------------------------------------------------------------------

Conversation DeskEngine::conversationLocked(const std::string& conversationId, bool forUpdate) {
    if (conversationId.empty() || conversationId.size() > kNameLimit) throw notFound(conversationId.substr(0, 64));
    auto found = forUpdate ? store_->conversationForUpdate(conversationId) : store_->conversation(conversationId);
    if (!found) throw notFound(conversationId);
    return *found;
}

std::vector<Conversation> DeskEngine::conversationsOf(const std::string& userId, bool onlyUnseen) {
    std::lock_guard lock(mutex_);
    auto list = store_->conversationsOfUser(userId);
    if (onlyUnseen) std::erase_if(list, [](const Conversation& c) { return c.unseenByUser == 0; });
    return list;
}

Conversation DeskEngine::conversationOf(const std::string& userId, const std::string& conversationId) {
    std::lock_guard lock(mutex_);
    Conversation conversation = conversationLocked(conversationId);
    // Someone else's conversation does not exist for this user.
    if (conversation.userId != userId) throw notFound(conversationId);
    return conversation;
}

Conversation DeskEngine::createConversation(const std::string& userId, const std::string& description) {
    checkText(description, kDescriptionLimit, "description", true);
    std::lock_guard lock(mutex_);
    auto user = store_->user(userId);
    if (!user) throw DeskError(DeskError::Code::unauthorized, "no such user");
    return changeLocked([&] {
        Conversation conversation;
        conversation.id = secrets::randomId("conversation-");
        conversation.tenantId = user->tenantId;
        conversation.userId = userId;
        conversation.number = store_->nextConversationNumber(user->tenantId);
        conversation.subject = subjectFrom(description);
        conversation.description = description;
        conversation.status = "OPEN";
        conversation.createdAt = conversation.updatedAt = now();
        // The description itself arrives as the chat's first message.
        Message started;
        started.direction = "SYSTEM";
        started.contentType = "CONVERSATION_STARTED";
        started.eventDescription = "Conversation started";
        return appendLocked(std::move(conversation), std::move(started)).conversation;
    });
}

Conversation DeskEngine::importConversation(Conversation conversation, std::vector<Message> history) {
    checkText(conversation.subject, kDescriptionLimit, "subject", false);
    checkText(conversation.description, kDescriptionLimit, "description", false);
    for (const auto& message : history) {
        checkText(message.text, kMessageLimit, "message", false);
        checkText(message.eventDescription, kNameLimit, "eventDescription", false);
        if (message.direction != "INBOUND" && message.direction != "OUTBOUND" && message.direction != "SYSTEM")
            throw DeskError(DeskError::Code::invalid, "a message's direction is unknown", "direction");
    }
    if (!conversation.status.empty() && conversation.status != "OPEN" && conversation.status != "CLOSED")
        throw DeskError(DeskError::Code::invalid, "the status is neither OPEN nor CLOSED", "status");
    if (conversation.id.size() > kNameLimit || conversation.unseenByUser < 0 || conversation.unseenByAgent < 0)
        throw DeskError(DeskError::Code::invalid, "the conversation is malformed", "conversationId");
    std::lock_guard lock(mutex_);
    return changeLocked([&] {
        auto user = store_->user(conversation.userId);
        if (!user) throw DeskError(DeskError::Code::notFound, "no such user", "userId");
        conversation.tenantId = user->tenantId;
        if (!conversation.agentId.empty()) {
            auto agent = store_->agent(conversation.agentId);
            if (!agent || agent->tenantId != conversation.tenantId)
                throw DeskError(DeskError::Code::notFound, "no such agent", "agentId");
        }
        if (conversation.id.empty()) conversation.id = secrets::randomId("conversation-");
        if (store_->conversation(conversation.id))
            throw DeskError(DeskError::Code::conflict, "the conversation id is taken", "conversationId");
        const std::int64_t nextNumber = store_->nextConversationNumber(conversation.tenantId);
        if (conversation.number <= 0) {
            conversation.number = nextNumber;
        } else if (conversation.number < nextNumber) {
            // Numbers below the next may be free (an import in any order); ask the tenant's list.
            for (const auto& other : store_->conversationsOfTenant(conversation.tenantId))
                if (other.number == conversation.number)
                    throw DeskError(DeskError::Code::conflict, "the conversation number is taken", "number");
        }
        if (conversation.status.empty()) conversation.status = "OPEN";
        if (conversation.createdAt == 0) conversation.createdAt = now();
        conversation.updatedAt = conversation.createdAt;
        conversation.lastOffset = 0;
        for (auto& message : history) {
            message.id = 0;
            message.conversationId = conversation.id;
            message.offset = ++conversation.lastOffset;
            if (message.contentType.empty()) message.contentType = "TEXT";
            if (message.createdAt == 0) message.createdAt = conversation.createdAt;
            conversation.updatedAt = std::max(conversation.updatedAt, message.createdAt);
        }
        store_->commit({{conversation}, history});
        Conversation stored = conversationLocked(conversation.id);  // with the agent's name and picture
        emitLocked({Event::Kind::conversationChanged, stored, std::nullopt});
        return stored;
    });
}

Conversation DeskEngine::markSeenByUser(const std::string& userId, const std::string& conversationId) {
    std::lock_guard lock(mutex_);
    return changeLocked([&] {
        Conversation conversation = conversationLocked(conversationId, true);
        if (conversation.userId != userId) throw notFound(conversationId);
        if (conversation.unseenByUser == 0) return conversation;
        conversation.unseenByUser = 0;
        store_->commit({{conversation}, {}});
        emitLocked({Event::Kind::conversationChanged, conversation, std::nullopt});
        return conversation;
    });
}

DeskEngine::Sent DeskEngine::appendLocked(Conversation conversation, Message message) {
    message.conversationId = conversation.id;
    message.offset = ++conversation.lastOffset;
    message.createdAt = now();
    conversation.updatedAt = message.createdAt;
    auto ids = store_->commit({{conversation}, {message}});
    message.id = ids.at(0);
    // Committed: now it may be told.
    emitLocked({Event::Kind::message, conversation, message});
    return {std::move(message), std::move(conversation), false};
}

DeskEngine::Sent DeskEngine::customerSays(const std::string& userId, const std::string& conversationId,
                                          const std::string& text, const std::string& clientKey) {
    checkText(text, kMessageLimit, "message", true);
    checkText(clientKey, kClientKeyLimit, "clientMessageId", false);
    std::lock_guard lock(mutex_);
    return changeLocked([&]() -> Sent {
        Conversation conversation = conversationLocked(conversationId, true);
        if (conversation.userId != userId) throw notFound(conversationId);
        if (!clientKey.empty())
            if (auto earlier = store_->messageByClientKey(conversationId, clientKey)) {
                if (earlier->text != text || earlier->direction != "INBOUND")
                    throw DeskError(DeskError::Code::conflict, "the key was used for another message", "clientMessageId");
                return {*earlier, conversation, true};
            }
        if (conversation.status != "OPEN")
            throw DeskError(DeskError::Code::conflict, "the conversation is closed", "conversationId");
        ++conversation.unseenByAgent;
        Message message;
        message.direction = "INBOUND";
        message.contentType = "TEXT";
        message.text = text;
        message.clientKey = clientKey;
        return appendLocked(std::move(conversation), std::move(message));
    });
}

Conversation DeskEngine::rate(const std::string& userId, const std::string& conversationId,
                              const std::string& scoreId) {
    const auto& scores = satisfactionScores();
    if (std::none_of(scores.begin(), scores.end(), [&](const SatisfactionScore& s) { return s.id == scoreId; }))
        throw DeskError(DeskError::Code::invalid, "there is no satisfaction score \"" + scoreId.substr(0, 64) + "\"",
                        "scoreId");
    std::lock_guard lock(mutex_);
    return changeLocked([&] {
        Conversation conversation = conversationLocked(conversationId, true);
        if (conversation.userId != userId) throw notFound(conversationId);
        // Rating ends the conversation for the customer.
        conversation.scoreId = scoreId;
        conversation.status = "CLOSED";
        conversation.updatedAt = now();
        store_->commit({{conversation}, {}});
        emitLocked({Event::Kind::conversationChanged, conversation, std::nullopt});
        return conversation;
    });
}

// --- Agents --------------------------------------------------------------------------------------

std::vector<Conversation> DeskEngine::tenantConversations(const Agent& agent,
                                                          const std::optional<std::string>& status) {
    std::lock_guard lock(mutex_);
    auto list = store_->conversationsOfTenant(agent.tenantId);
    if (status) std::erase_if(list, [&](const Conversation& c) { return c.status != *status; });
    return list;
}

Conversation DeskEngine::conversationForAgent(const Agent& agent, const std::string& conversationId) {
    std::lock_guard lock(mutex_);
    Conversation conversation = conversationLocked(conversationId);
    if (conversation.tenantId != agent.tenantId) throw notFound(conversationId);
    return conversation;
}

Conversation DeskEngine::markSeenByAgent(const Agent& agent, const std::string& conversationId) {
    std::lock_guard lock(mutex_);
    // Most reads find nothing unseen: those change nothing, and lock nothing.
    Conversation seen = conversationLocked(conversationId);
    if (seen.tenantId != agent.tenantId) throw notFound(conversationId);
    if (seen.unseenByAgent == 0) return seen;
    return changeLocked([&] {
        Conversation conversation = conversationLocked(conversationId, true);
        if (conversation.unseenByAgent == 0) return conversation;
        conversation.unseenByAgent = 0;
        store_->commit({{conversation}, {}});
        emitLocked({Event::Kind::conversationChanged, conversation, std::nullopt});
        return conversation;
    });
}

DeskEngine::Sent DeskEngine::agentSays(const Agent& agent, const std::string& conversationId,
                                       const std::string& text, const std::string& clientKey) {
    checkText(text, kMessageLimit, "message", true);
    checkText(clientKey, kClientKeyLimit, "clientMessageId", false);
    std::lock_guard lock(mutex_);
    return changeLocked([&]() -> Sent {
        Conversation conversation = conversationLocked(conversationId, true);
        if (conversation.tenantId != agent.tenantId) throw notFound(conversationId);
        if (!clientKey.empty())
            if (auto earlier = store_->messageByClientKey(conversationId, clientKey)) {
                if (earlier->text != text || earlier->agentId != agent.id)
                    throw DeskError(DeskError::Code::conflict, "the key was used for another message", "clientMessageId");
                return {*earlier, conversation, true};
            }
        if (conversation.status != "OPEN")
            throw DeskError(DeskError::Code::conflict, "the conversation is closed", "conversationId");
        if (conversation.agentId.empty()) {
            conversation.agentId = agent.id;
            conversation.agentName = agent.name;
            conversation.agentAvatarUrl = agent.avatarUrl;
        }
        // Whoever is not in the chat has not seen the answer.
        if (!options_.customerWatching || !options_.customerWatching(conversationId)) ++conversation.unseenByUser;
        conversation.unseenByAgent = 0;
        Message message;
        message.direction = "OUTBOUND";
        message.contentType = "TEXT";
        message.text = text;
        message.agentId = agent.id;
        message.clientKey = clientKey;
        return appendLocked(std::move(conversation), std::move(message));
    });
}

Conversation DeskEngine::close(const Agent& agent, const std::string& conversationId) {
    std::lock_guard lock(mutex_);
    return changeLocked([&] {
        Conversation conversation = conversationLocked(conversationId, true);
        if (conversation.tenantId != agent.tenantId) throw notFound(conversationId);
        if (conversation.status == "CLOSED") return conversation;
        conversation.status = "CLOSED";
        Message closed;
        closed.direction = "SYSTEM";
        closed.contentType = "CONVERSATION_CLOSED";
        closed.eventDescription = "Conversation closed";
        closed.agentId = agent.id;
        return appendLocked(std::move(conversation), std::move(closed)).conversation;
    });
}

std::vector<DeskEngine::GivenScore> DeskEngine::scoresGiven(const Agent& agent) {
    std::lock_guard lock(mutex_);
    std::vector<GivenScore> given;
    for (auto& conversation : store_->conversationsOfTenant(agent.tenantId))
        if (!conversation.scoreId.empty()) given.push_back({conversation, conversation.scoreId});
    return given;
}

// --- Retries of creating requests ----------------------------------------------------------------

DeskEngine::Answer DeskEngine::once(const RetryKeyed& call, const std::function<Answer()>& perform) {
    const bool wellFormed = call.key.size() >= 16 && call.key.size() <= 128 &&
                            std::all_of(call.key.begin(), call.key.end(), [](unsigned char c) {
                                return std::isalnum(c) || c == '-' || c == '_';
                            });
    if (!wellFormed)
        throw DeskError(DeskError::Code::invalid,
                        "Idempotency-Key needs 16 to 128 characters of letters, digits, '-' and '_'",
                        "Idempotency-Key");
    // The store sees neither the caller nor the key: the answer of a new user holds its token.
    const std::string secret = call.caller + "\n" + call.key;
    const std::string lookup = secrets::tokenHash("kept answer\n" + secret);
    const std::string requestHash = secrets::tokenHash(call.request);
    std::lock_guard lock(mutex_);
    const Millis at = now();
    auto keptBefore = [&]() -> std::optional<Answer> {
        auto kept = store_->keptAnswer(lookup, at - kAnswerKeptFor);
        if (!kept) return std::nullopt;
        if (!secrets::constantTimeEquals(kept->requestHash, requestHash)) return Answer{Answer::Outcome::keyReused, 0, {}};
        auto body = secrets::unseal(kept->sealedBody, secret);
        if (!body) throw DeskError(DeskError::Code::unavailable, "a kept answer does not open");
        return Answer{Answer::Outcome::repeated, kept->status, std::move(*body)};
    };
    if (auto kept = keptBefore()) return *kept;
    Answer answer;
    exclusively(lookup, [&] {
        // Another desk may have performed it while this one waited for the key.
        if (auto kept = keptBefore()) {
            answer = *kept;
            return;
        }
        answer = perform();
        store_->keepAnswer(lookup, {requestHash, answer.status, secrets::seal(answer.body, secret), at},
                           at - kAnswerKeptFor);
    });
    return answer;
}

void DeskEngine::together(const std::function<void()>& work, const std::function<void()>& committed) {
    std::lock_guard lock(mutex_);
    if (holdingEvents_) throw std::logic_error("the desk's transactions do not nest");
    transactionLocked(work, committed);
}

void DeskEngine::exclusively(const std::string& name, const std::function<void()>& work) {
    together([&] {
        store_->lockName(name);
        work();
    });
}

void DeskEngine::transactionLocked(const std::function<void()>& work, const std::function<void()>& committed) {
    if (holdingEvents_) {
        // Within a transaction already: undone alone if it throws, told at the outer commit.
        store_->beginTransaction();
        try {
            work();
            store_->commitTransaction();
        } catch (...) {
            store_->rollbackTransaction();
            throw;
        }
        if (committed) committed();
        return;
    }
    store_->beginTransaction();
    holdingEvents_ = true;
    try {
        work();
        store_->commitTransaction();
    } catch (...) {
        holdingEvents_ = false;
        heldEvents_.clear();
        store_->rollbackTransaction();
        throw;
    }
    holdingEvents_ = false;
    if (committed) committed();
    // Committed: now what happened may be told.
    for (const auto& event : std::exchange(heldEvents_, {})) tellLocked(event);
}

std::vector<Message> DeskEngine::messages(const std::string& conversationId, std::int64_t afterOffset,
                                          std::size_t limit) {
    std::lock_guard lock(mutex_);
    return store_->messages(conversationId, afterOffset, limit);
}

}  // namespace velmaro::desk
