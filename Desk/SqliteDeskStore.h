#pragma once

#include <map>
#include <memory>
#include <string>

#include "Desk/DeskStore.h"

struct sqlite3;
struct sqlite3_stmt;

namespace velmaro::desk {

// The store in SQLite: a file (write-ahead log, synchronous=NORMAL) or ":memory:". Opening runs
// every migration the file has not had yet, in order, each in its own transaction.
class SqliteDeskStore final : public DeskStore {
public:
    // Throws DeskError(unavailable) naming the file when it cannot be opened, read or migrated,
    // or when it was written by a newer desk.
    explicit SqliteDeskStore(const std::string& path);
    ~SqliteDeskStore() override;
    SqliteDeskStore(const SqliteDeskStore&) = delete;
    SqliteDeskStore& operator=(const SqliteDeskStore&) = delete;

    static int newestSchemaVersion();

    int schemaVersion() const override;
    void putTenant(const Tenant& tenant) override;
    std::optional<Tenant> tenant(const std::string& tenantId) override;
    void insertUser(const User& user, const std::string& tokenHash) override;
    void updateUser(const User& user) override;
    std::optional<User> user(const std::string& userId) override;
    std::optional<User> userByName(const std::string& tenantId, const std::string& userName) override;
    std::optional<std::pair<User, std::string>> userByTokenHash(const std::string& tokenHash) override;
    std::vector<User> users(const std::string& tenantId) override;
    void insertAgent(const Agent& agent, const std::string& passwordHash) override;
    std::optional<std::pair<Agent, std::string>> agentByEmail(const std::string& tenantId,
                                                             const std::string& email) override;
    std::optional<Agent> agent(const std::string& agentId) override;
    void insertAgentSession(const std::string& tokenHash, const std::string& agentId,
                            Millis createdAt) override;
    std::optional<std::pair<Agent, std::string>> agentBySessionHash(const std::string& tokenHash) override;
    void deleteAgentSession(const std::string& tokenHash) override;
    std::int64_t nextConversationNumber(const std::string& tenantId) override;
    std::optional<Conversation> conversation(const std::string& conversationId) override;
    std::vector<Conversation> conversationsOfUser(const std::string& userId) override;
    std::vector<Conversation> conversationsOfTenant(const std::string& tenantId) override;
    std::vector<std::int64_t> commit(const Changes& changes) override;
    std::vector<Message> messages(const std::string& conversationId, std::int64_t afterOffset,
                                  std::size_t limit) override;
    std::optional<Message> messageByClientKey(const std::string& conversationId,
                                              const std::string& clientKey) override;
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() override;
    std::optional<KeptAnswer> keptAnswer(const std::string& lookup, Millis notBefore) override;
    void keepAnswer(const std::string& lookup, const KeptAnswer& answer, Millis forgetBefore) override;

private:
    class Statement;
    Statement prepare(const char* sql);
    void exec(const char* sql);
    void migrate();
    void close();
    [[noreturn]] void fail(const std::string& what) const;

    std::string path_;
    sqlite3* db_ = nullptr;
    int version_ = 0;
    int depth_ = 0;  // transactions open
    std::map<const char*, sqlite3_stmt*> statements_;  // by the text of their SQL
};

}  // namespace velmaro::desk
