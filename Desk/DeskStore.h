#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Desk/Records.h"

namespace velmaro::desk {

// What the engine keeps, in domain operations. A store opens with its schema migrated to the
// newest version and is used by one engine, which serialises every call; only the store speaks
// its database's language. Failures of the database throw DeskError(unavailable).
class DeskStore {
public:
    virtual ~DeskStore() = default;

    // The schema version the store runs at (the newest it knows).
    virtual int schemaVersion() const = 0;

    virtual void putTenant(const Tenant& tenant) = 0;
    virtual std::optional<Tenant> tenant(const std::string& tenantId) = 0;

    virtual void insertUser(const User& user, const std::string& tokenHash) = 0;
    virtual void updateUser(const User& user) = 0;
    virtual std::optional<User> user(const std::string& userId) = 0;
    virtual std::optional<User> userByName(const std::string& tenantId, const std::string& userName) = 0;
    // The user and the stored token hash it was found by.
    virtual std::optional<std::pair<User, std::string>> userByTokenHash(const std::string& tokenHash) = 0;
    virtual std::vector<User> users(const std::string& tenantId) = 0;

    virtual void insertAgent(const Agent& agent, const std::string& passwordHash) = 0;
    virtual std::optional<std::pair<Agent, std::string>> agentByEmail(const std::string& tenantId,
                                                                     const std::string& email) = 0;
    virtual std::optional<Agent> agent(const std::string& agentId) = 0;
    virtual void insertAgentSession(const std::string& tokenHash, const std::string& agentId,
                                    Millis createdAt) = 0;
    virtual std::optional<std::pair<Agent, std::string>> agentBySessionHash(const std::string& tokenHash) = 0;
    virtual void deleteAgentSession(const std::string& tokenHash) = 0;

    // The next conversation number of a tenant.
    virtual std::int64_t nextConversationNumber(const std::string& tenantId) = 0;
    virtual std::optional<Conversation> conversation(const std::string& conversationId) = 0;
    // Newest first.
    virtual std::vector<Conversation> conversationsOfUser(const std::string& userId) = 0;
    virtual std::vector<Conversation> conversationsOfTenant(const std::string& tenantId) = 0;

    // One atomic, durable change: the conversations as they now stand (inserted or replaced)
    // and new messages, whose offsets the engine has assigned. Answers the messages' ids in
    // order. Nothing is kept when it throws.
    struct Changes {
        std::vector<Conversation> conversations;
        std::vector<Message> messages;
    };
    virtual std::vector<std::int64_t> commit(const Changes& changes) = 0;

    // Messages with an offset above `afterOffset`, oldest first, at most `limit`.
    virtual std::vector<Message> messages(const std::string& conversationId, std::int64_t afterOffset,
                                          std::size_t limit) = 0;
    virtual std::optional<Message> messageByClientKey(const std::string& conversationId,
                                                      const std::string& clientKey) = 0;

    // Work that stands or falls as one: every change made between begin and commit is kept
    // (durably, at the outermost commit) or none is. Transactions nest.
    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;

    // The answer given to a request that carried a retry key, kept to be given again. `lookup`
    // names the caller and the key (a hash: the store never sees either).
    struct KeptAnswer {
        std::string requestHash;  // what was asked, to tell a retry from another request
        int status = 0;
        std::string sealedBody;
        Millis keptAt = 0;
    };
    // The answer kept under `lookup`, unless it was kept before `notBefore`.
    virtual std::optional<KeptAnswer> keptAnswer(const std::string& lookup, Millis notBefore) = 0;
    // Keeps an answer, and forgets every answer kept before `forgetBefore`.
    virtual void keepAnswer(const std::string& lookup, const KeptAnswer& answer, Millis forgetBefore) = 0;
};

}  // namespace velmaro::desk
