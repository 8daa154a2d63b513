#include "Desk/SqliteDeskStore.h"

#include <sqlite3.h>

#include <map>
#include <optional>
#include <vector>

namespace velmaro::desk {

namespace {

// Forward migrations, oldest first; a file at version N runs those after N. Never edit one that
// has shipped: add the next.
const char* const kMigrations[] = {
    // 1: the first schema.
    R"sql(
    CREATE TABLE tenants(
      id TEXT PRIMARY KEY, name TEXT NOT NULL, avatar_url TEXT NOT NULL,
      primary_color TEXT NOT NULL, user_name_required INTEGER NOT NULL);
    CREATE TABLE users(
      id TEXT PRIMARY KEY, tenant_id TEXT NOT NULL REFERENCES tenants(id),
      user_name TEXT NOT NULL, first_name TEXT NOT NULL, last_name TEXT NOT NULL,
      avatar_url TEXT NOT NULL, token_hash TEXT NOT NULL UNIQUE, created_at INTEGER NOT NULL);
    CREATE INDEX users_by_name ON users(tenant_id, user_name);
    CREATE TABLE agents(
      id TEXT PRIMARY KEY, tenant_id TEXT NOT NULL REFERENCES tenants(id),
      email TEXT NOT NULL, name TEXT NOT NULL, avatar_url TEXT NOT NULL,
      password_hash TEXT NOT NULL, UNIQUE(tenant_id, email));
    CREATE TABLE agent_sessions(
      token_hash TEXT PRIMARY KEY, agent_id TEXT NOT NULL REFERENCES agents(id),
      created_at INTEGER NOT NULL);
    CREATE TABLE conversations(
      id TEXT PRIMARY KEY, tenant_id TEXT NOT NULL REFERENCES tenants(id),
      user_id TEXT NOT NULL REFERENCES users(id), number INTEGER NOT NULL,
      subject TEXT NOT NULL, description TEXT NOT NULL, status TEXT NOT NULL,
      agent_id TEXT NOT NULL, created_at INTEGER NOT NULL, updated_at INTEGER NOT NULL,
      unseen_by_user INTEGER NOT NULL, unseen_by_agent INTEGER NOT NULL,
      last_offset INTEGER NOT NULL, UNIQUE(tenant_id, number));
    CREATE INDEX conversations_by_user ON conversations(user_id);
    CREATE TABLE messages(
      id INTEGER PRIMARY KEY AUTOINCREMENT,
      conversation_id TEXT NOT NULL REFERENCES conversations(id),
      offset INTEGER NOT NULL, direction TEXT NOT NULL, content_type TEXT NOT NULL,
      text TEXT NOT NULL, event_description TEXT NOT NULL, agent_id TEXT NOT NULL,
      client_key TEXT, created_at INTEGER NOT NULL,
      UNIQUE(conversation_id, offset));
    )sql",
    // 2: scores, and retries of a send recognised by the sender's key.
    R"sql(
    ALTER TABLE conversations ADD COLUMN score_id TEXT NOT NULL DEFAULT '';
    CREATE UNIQUE INDEX messages_by_client_key ON messages(conversation_id, client_key)
      WHERE client_key IS NOT NULL;
    )sql",
    // 3: answers kept for retries of creating requests.
    R"sql(
    CREATE TABLE kept_answers(
      lookup TEXT PRIMARY KEY, request_hash TEXT NOT NULL, status INTEGER NOT NULL,
      sealed_body TEXT NOT NULL, kept_at INTEGER NOT NULL);
    CREATE INDEX kept_answers_by_age ON kept_answers(kept_at);
    )sql",
};

}  // namespace

// A prepared statement kept for the store's life; reset after each use.
class SqliteDeskStore::Statement {
public:
    Statement(const SqliteDeskStore& store, sqlite3_stmt* statement) : store_(store), s_(statement) {}
    ~Statement() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    Statement(const Statement&) = delete;

    Statement& bind(int index, const std::string& text) {
        check(sqlite3_bind_text(s_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bind(int index, std::int64_t value) {
        check(sqlite3_bind_int64(s_, index, value));
        return *this;
    }
    Statement& bind(int index, const std::optional<std::string>& text) {
        if (text) return bind(index, *text);
        check(sqlite3_bind_null(s_, index));
        return *this;
    }
    // Binds the values to ?1, ?2, … in order.
    template <class... Values>
    Statement& with(const Values&... values) {
        int index = 0;
        (bind(++index, values), ...);
        return *this;
    }
    // The first row read by `from`, if there is one.
    template <class From>
    auto one(From from) -> std::optional<decltype(from(*this))> {
        if (!step()) return std::nullopt;
        return from(*this);
    }
    template <class From>
    auto all(From from) -> std::vector<decltype(from(*this))> {
        std::vector<decltype(from(*this))> rows;
        while (step()) rows.push_back(from(*this));
        return rows;
    }
    // True while a row is there.
    bool step() {
        int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        store_.fail(sqlite3_errmsg(sqlite3_db_handle(s_)));
    }
    void run() {
        while (step()) {
        }
    }
    std::string text(int column) const {
        auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(s_, column));
        return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(s_, column)))
                     : std::string();
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(s_, column); }

private:
    void check(int rc) const {
        if (rc != SQLITE_OK) store_.fail(sqlite3_errmsg(sqlite3_db_handle(s_)));
    }
    const SqliteDeskStore& store_;
    sqlite3_stmt* s_;
};

SqliteDeskStore::SqliteDeskStore(const std::string& path) : path_(path) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw DeskError(DeskError::Code::unavailable, "cannot open the database " + path + ": " + why);
    }
    try {
        sqlite3_busy_timeout(db_, 5000);
        exec("PRAGMA foreign_keys = ON");
        // WAL with synchronous=NORMAL: a commit survives a crash of the process at once, and a
        // power loss once the log has been checkpointed (the last commits may be lost then).
        if (path != ":memory:") {
            exec("PRAGMA journal_mode = WAL");
            exec("PRAGMA synchronous = NORMAL");
        }
        migrate();
    } catch (...) {
        close();
        throw;
    }
}

SqliteDeskStore::~SqliteDeskStore() {
    close();
}

void SqliteDeskStore::close() {
    // A connection with statements left open would not close (and leak).
    sqlite3_stmt* statement = nullptr;
    while ((statement = sqlite3_next_stmt(db_, nullptr))) sqlite3_finalize(statement);
    statements_.clear();
    sqlite3_close(db_);
    db_ = nullptr;
}

int SqliteDeskStore::newestSchemaVersion() {
    return static_cast<int>(std::size(kMigrations));
}

void SqliteDeskStore::fail(const std::string& what) const {
    throw DeskError(DeskError::Code::unavailable, "database " + path_ + ": " + what);
}

void SqliteDeskStore::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string why = error ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        fail(why);
    }
}

SqliteDeskStore::Statement SqliteDeskStore::prepare(const char* sql) {
    // Statements are kept per connection; the engine serialises calls, so one of each suffices.
    auto& cache = statements_;
    auto it = cache.find(sql);
    if (it == cache.end()) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            fail(sqlite3_errmsg(db_));
        it = cache.emplace(sql, statement).first;
    }
    return Statement(*this, it->second);
}

void SqliteDeskStore::migrate() {
    exec("CREATE TABLE IF NOT EXISTS schema_version(version INTEGER NOT NULL)");
    {
        auto query = prepare("SELECT version FROM schema_version");
        version_ = query.step() ? static_cast<int>(query.integer(0)) : 0;
    }
    if (version_ > newestSchemaVersion())
        fail("written by a newer desk (schema " + std::to_string(version_) + ", this desk knows up to " +
             std::to_string(newestSchemaVersion()) + ")");
    for (int next = version_; next < newestSchemaVersion(); ++next) {
        beginTransaction();
        try {
            exec(kMigrations[next]);
            exec("DELETE FROM schema_version");
            prepare("INSERT INTO schema_version(version) VALUES (?)").with(std::int64_t{next + 1}).run();
            commitTransaction();
        } catch (...) {
            rollbackTransaction();
            throw;
        }
        version_ = next + 1;
    }
}

int SqliteDeskStore::schemaVersion() const {
    return version_;
}

// --- Tenants, users, agents -----------------------------------------------------------------

void SqliteDeskStore::putTenant(const Tenant& tenant) {
    prepare("INSERT INTO tenants(id, name, avatar_url, primary_color, user_name_required) "
            "VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT(id) DO UPDATE SET name = ?2, avatar_url = ?3, "
            "primary_color = ?4, user_name_required = ?5")
        .with(tenant.id, tenant.name, tenant.avatarUrl, tenant.primaryColor, std::int64_t{tenant.userNameRequired})
        .run();
}

std::optional<Tenant> SqliteDeskStore::tenant(const std::string& tenantId) {
    return prepare("SELECT id, name, avatar_url, primary_color, user_name_required FROM tenants WHERE id = ?")
        .with(tenantId)
        .one([](const Statement& q) { return Tenant{q.text(0), q.text(1), q.text(2), q.text(3), q.integer(4) != 0}; });
}

#define USER_SELECT "SELECT id, tenant_id, user_name, first_name, last_name, avatar_url, created_at, token_hash FROM users "

template <class Query>
static User userFrom(const Query& query) {
    return User{query.text(0), query.text(1), query.text(2), query.text(3),
                query.text(4), query.text(5), query.integer(6)};
}

void SqliteDeskStore::insertUser(const User& user, const std::string& tokenHash) {
    prepare("INSERT INTO users(id, tenant_id, user_name, first_name, last_name, avatar_url, token_hash, created_at) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
        .with(user.id, user.tenantId, user.userName, user.firstName, user.lastName, user.avatarUrl, tokenHash,
              user.createdAt)
        .run();
}

void SqliteDeskStore::updateUser(const User& user) {
    prepare("UPDATE users SET user_name = ?2, first_name = ?3, last_name = ?4, avatar_url = ?5 WHERE id = ?1")
        .with(user.id, user.userName, user.firstName, user.lastName, user.avatarUrl)
        .run();
}

std::optional<User> SqliteDeskStore::user(const std::string& userId) {
    return prepare(USER_SELECT "WHERE id = ?").with(userId).one(userFrom<Statement>);
}

std::optional<User> SqliteDeskStore::userByName(const std::string& tenantId, const std::string& userName) {
    return prepare(USER_SELECT "WHERE tenant_id = ? AND user_name = ? ORDER BY created_at LIMIT 1")
        .with(tenantId, userName)
        .one(userFrom<Statement>);
}

std::optional<std::pair<User, std::string>> SqliteDeskStore::userByTokenHash(const std::string& tokenHash) {
    return prepare(USER_SELECT "WHERE token_hash = ?").with(tokenHash).one([](const Statement& q) {
        return std::pair{userFrom(q), q.text(7)};
    });
}

std::vector<User> SqliteDeskStore::users(const std::string& tenantId) {
    return prepare(USER_SELECT "WHERE tenant_id = ? ORDER BY created_at, id").with(tenantId).all(userFrom<Statement>);
}

void SqliteDeskStore::insertAgent(const Agent& agent, const std::string& passwordHash) {
    // Desks starting together on one file may both add the tenant file's agents: the first stays.
    prepare("INSERT INTO agents(id, tenant_id, email, name, avatar_url, password_hash) VALUES (?, ?, ?, ?, ?, ?) "
            "ON CONFLICT(tenant_id, email) DO NOTHING")
        .with(agent.id, agent.tenantId, agent.email, agent.name, agent.avatarUrl, passwordHash)
        .run();
}

#define AGENT_SELECT "SELECT a.id, a.tenant_id, a.email, a.name, a.avatar_url, a.password_hash FROM agents a "

template <class Query>
static Agent agentFrom(const Query& query) {
    return Agent{query.text(0), query.text(1), query.text(2), query.text(3), query.text(4)};
}

// An agent and the secret's hash in the row's sixth column.
template <class Query>
static std::pair<Agent, std::string> agentAndHashFrom(const Query& query) {
    return {agentFrom(query), query.text(5)};
}

std::optional<std::pair<Agent, std::string>> SqliteDeskStore::agentByEmail(const std::string& tenantId,
                                                                          const std::string& email) {
    return prepare(AGENT_SELECT "WHERE a.tenant_id = ? AND a.email = ?")
        .with(tenantId, email)
        .one(agentAndHashFrom<Statement>);
}

std::optional<Agent> SqliteDeskStore::agent(const std::string& agentId) {
    return prepare(AGENT_SELECT "WHERE a.id = ?").with(agentId).one(agentFrom<Statement>);
}

void SqliteDeskStore::insertAgentSession(const std::string& tokenHash, const std::string& agentId,
                                         Millis createdAt) {
    prepare("INSERT INTO agent_sessions(token_hash, agent_id, created_at) VALUES (?, ?, ?)")
        .with(tokenHash, agentId, createdAt)
        .run();
}

std::optional<std::pair<Agent, std::string>> SqliteDeskStore::agentBySessionHash(const std::string& tokenHash) {
    return prepare("SELECT a.id, a.tenant_id, a.email, a.name, a.avatar_url, s.token_hash "
                   "FROM agent_sessions s JOIN agents a ON a.id = s.agent_id WHERE s.token_hash = ?")
        .with(tokenHash)
        .one(agentAndHashFrom<Statement>);
}

void SqliteDeskStore::deleteAgentSession(const std::string& tokenHash) {
    prepare("DELETE FROM agent_sessions WHERE token_hash = ?").with(tokenHash).run();
}

// --- Conversations and messages ---------------------------------------------------------------

#define CONVERSATION_SELECT                                                                      \
    "SELECT c.id, c.tenant_id, c.user_id, c.number, c.subject, c.description, c.status, "        \
    "c.agent_id, coalesce(a.name, ''), coalesce(a.avatar_url, ''), c.created_at, c.updated_at, " \
    "c.unseen_by_user, c.unseen_by_agent, c.last_offset, c.score_id "                            \
    "FROM conversations c LEFT JOIN agents a ON a.id = c.agent_id "

template <class Query>
static Conversation conversationFrom(const Query& q) {
    Conversation c;
    c.id = q.text(0);
    c.tenantId = q.text(1);
    c.userId = q.text(2);
    c.number = q.integer(3);
    c.subject = q.text(4);
    c.description = q.text(5);
    c.status = q.text(6);
    c.agentId = q.text(7);
    c.agentName = q.text(8);
    c.agentAvatarUrl = q.text(9);
    c.createdAt = q.integer(10);
    c.updatedAt = q.integer(11);
    c.unseenByUser = q.integer(12);
    c.unseenByAgent = q.integer(13);
    c.lastOffset = q.integer(14);
    c.scoreId = q.text(15);
    return c;
}

std::int64_t SqliteDeskStore::nextConversationNumber(const std::string& tenantId) {
    auto query = prepare("SELECT coalesce(max(number), 0) + 1 FROM conversations WHERE tenant_id = ?");
    query.with(tenantId).step();
    return query.integer(0);
}

std::optional<Conversation> SqliteDeskStore::conversation(const std::string& conversationId) {
    return prepare(CONVERSATION_SELECT "WHERE c.id = ?").with(conversationId).one(conversationFrom<Statement>);
}

std::vector<Conversation> SqliteDeskStore::conversationsOfUser(const std::string& userId) {
    return prepare(CONVERSATION_SELECT "WHERE c.user_id = ? ORDER BY c.number DESC")
        .with(userId)
        .all(conversationFrom<Statement>);
}

std::vector<Conversation> SqliteDeskStore::conversationsOfTenant(const std::string& tenantId) {
    return prepare(CONVERSATION_SELECT "WHERE c.tenant_id = ? ORDER BY c.number DESC")
        .with(tenantId)
        .all(conversationFrom<Statement>);
}

std::vector<std::int64_t> SqliteDeskStore::commit(const Changes& changes) {
    std::vector<std::int64_t> ids;
    beginTransaction();
    try {
        for (const auto& c : changes.conversations)
            prepare("INSERT INTO conversations(id, tenant_id, user_id, number, subject, description, status, "
                    "agent_id, created_at, updated_at, unseen_by_user, unseen_by_agent, last_offset, score_id) "
                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14) "
                    "ON CONFLICT(id) DO UPDATE SET subject = ?5, description = ?6, status = ?7, agent_id = ?8, "
                    "updated_at = ?10, unseen_by_user = ?11, unseen_by_agent = ?12, last_offset = ?13, "
                    "score_id = ?14")
                .with(c.id, c.tenantId, c.userId, c.number, c.subject, c.description, c.status, c.agentId,
                      c.createdAt, c.updatedAt, c.unseenByUser, c.unseenByAgent, c.lastOffset, c.scoreId)
                .run();
        for (const auto& m : changes.messages) {
            // No key is NULL, so that keyless messages never meet in the unique index.
            const auto clientKey = m.clientKey.empty() ? std::nullopt : std::optional<std::string>(m.clientKey);
            prepare("INSERT INTO messages(conversation_id, offset, direction, content_type, text, "
                    "event_description, agent_id, client_key, created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")
                .with(m.conversationId, m.offset, m.direction, m.contentType, m.text, m.eventDescription, m.agentId,
                      clientKey, m.createdAt)
                .run();
            ids.push_back(sqlite3_last_insert_rowid(db_));
        }
        commitTransaction();
    } catch (...) {
        rollbackTransaction();
        throw;
    }
    return ids;
}

#define MESSAGE_SELECT                                                                           \
    "SELECT id, conversation_id, offset, direction, content_type, text, event_description, "    \
    "agent_id, coalesce(client_key, ''), created_at FROM messages "

template <class Query>
static Message messageFrom(const Query& q) {
    return Message{q.integer(0), q.text(1), q.integer(2), q.text(3), q.text(4),
                   q.text(5),    q.text(6), q.text(7),    q.text(8), q.integer(9)};
}

std::vector<Message> SqliteDeskStore::messages(const std::string& conversationId, std::int64_t afterOffset,
                                               std::size_t limit) {
    return prepare(MESSAGE_SELECT "WHERE conversation_id = ? AND offset > ? ORDER BY offset LIMIT ?")
        .with(conversationId, afterOffset, static_cast<std::int64_t>(limit))
        .all(messageFrom<Statement>);
}

std::optional<Message> SqliteDeskStore::messageByClientKey(const std::string& conversationId,
                                                           const std::string& clientKey) {
    return prepare(MESSAGE_SELECT "WHERE conversation_id = ? AND client_key = ?")
        .with(conversationId, clientKey)
        .one(messageFrom<Statement>);
}

// --- Transactions and kept answers -------------------------------------------------------------

void SqliteDeskStore::beginTransaction() {
    exec(depth_ == 0 ? "BEGIN IMMEDIATE" : "SAVEPOINT nested");
    ++depth_;
}

void SqliteDeskStore::commitTransaction() {
    --depth_;
    try {
        exec(depth_ == 0 ? "COMMIT" : "RELEASE nested");
    } catch (...) {
        ++depth_;  // still open: the caller rolls it back
        throw;
    }
}

void SqliteDeskStore::rollbackTransaction() {
    --depth_;
    sqlite3_exec(db_, depth_ == 0 ? "ROLLBACK" : "ROLLBACK TO nested; RELEASE nested", nullptr, nullptr, nullptr);
}

std::optional<DeskStore::KeptAnswer> SqliteDeskStore::keptAnswer(const std::string& lookup, Millis notBefore) {
    return prepare("SELECT request_hash, status, sealed_body, kept_at FROM kept_answers WHERE lookup = ? AND kept_at >= ?")
        .with(lookup, notBefore)
        .one([](const Statement& q) {
            return KeptAnswer{q.text(0), static_cast<int>(q.integer(1)), q.text(2), q.integer(3)};
        });
}

void SqliteDeskStore::keepAnswer(const std::string& lookup, const KeptAnswer& answer, Millis forgetBefore) {
    prepare("DELETE FROM kept_answers WHERE kept_at < ?").with(forgetBefore).run();
    prepare("INSERT OR REPLACE INTO kept_answers(lookup, request_hash, status, sealed_body, kept_at) "
            "VALUES (?, ?, ?, ?, ?)")
        .with(lookup, answer.requestHash, std::int64_t{answer.status}, answer.sealedBody, answer.keptAt)
        .run();
}

}  // namespace velmaro::desk
