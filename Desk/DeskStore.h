#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Desk/Records.h"

namespace velmaro::desk {

// What the engine keeps, in domain operations. A store opens with its schema migrated to the
// newest version and is used by one engine, which serialises every call; only the store speaks
// its database's language. Failures of the database throw DeskError(unavailable). Several desks
// may share one database: the engine makes each change in one transaction, in which what it
// reads "for update" stays locked against the other desks until the outermost commit.
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

    // The next conversation number of a tenant; in a transaction, nobody else takes it before
    // the commit.
    virtual std::int64_t nextConversationNumber(const std::string& tenantId) = 0;
    virtual std::optional<Conversation> conversation(const std::string& conversationId) = 0;
    // The conversation, locked against other desks' changes until the transaction ends.
    virtual std::optional<Conversation> conversationForUpdate(const std::string& conversationId) {
        return conversation(conversationId);
    }
    // Newest first.
    virtual std::vector<Conversation> conversationsOfUser(const std::string& userId) = 0;
    virtual std::vector<Conversation> conversationsOfTenant(const std::string& tenantId) = 0;

    // One atomic, durable change: the conversations as they now stand (inserted or replaced)
    // and new messages, whose offsets the engine has assigned. Answers the messages' ids in
    // order. Nothing is kept when it throws; within a transaction, once its owner rolls back.
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

    // Within a transaction: waits until no other desk holds `name`, and holds it to the end.
    // A store whose transactions already exclude each other needs nothing more.
    virtual void lockName(const std::string& name) { (void)name; }

    // Work that stands or falls as one: every change made between begin and commit is kept
    // (durably, at the outermost commit) or none is. Transactions nest: one within that is rolled
    // back undoes its changes, or, in a store that keeps no savepoints, makes the outermost
    // commit throw (and keep nothing) if it had changed anything.
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

    // What other desks on the same database committed, as they commit: a message at its offset,
    // or a change of the conversation alone (offset 0). `missed` says that some may have been
    // lost (the database was out of reach) and that readers catch up by offset. Called on a
    // thread of the store's own; empty functions stop the telling, waiting for a call in
    // progress. A store only one desk uses tells nothing.
    struct Heard {
        std::function<void(const std::string& conversationId, std::int64_t offset)> changed;
        std::function<void()> missed;
    };
    virtual void hearOthers(Heard heard) { (void)heard; }
};

}  // namespace velmaro::desk
