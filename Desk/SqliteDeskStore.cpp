#include "Desk/SqliteDeskStore.h"

#include <sqlite3.h>

#include <map>

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
    Statement& bindNull(int index) {
        check(sqlite3_bind_null(s_, index));
        return *this;
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
        exec("BEGIN IMMEDIATE");
        try {
            exec(kMigrations[next]);
            exec("DELETE FROM schema_version");
            prepare("INSERT INTO schema_version(version) VALUES (?)").bind(1, std::int64_t{next + 1}).run();
            exec("COMMIT");
        } catch (...) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
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
        .bind(1, tenant.id)
        .bind(2, tenant.name)
        .bind(3, tenant.avatarUrl)
        .bind(4, tenant.primaryColor)
        .bind(5, std::int64_t{tenant.userNameRequired})
        .run();
}

std::optional<Tenant> SqliteDeskStore::tenant(const std::string& tenantId) {
    auto query = prepare("SELECT id, name, avatar_url, primary_color, user_name_required FROM tenants WHERE id = ?");
    query.bind(1, tenantId);
    if (!query.step()) return std::nullopt;
    return Tenant{query.text(0), query.text(1), query.text(2), query.text(3), query.integer(4) != 0};
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
        .bind(1, user.id)
        .bind(2, user.tenantId)
        .bind(3, user.userName)
        .bind(4, user.firstName)
        .bind(5, user.lastName)
        .bind(6, user.avatarUrl)
        .bind(7, tokenHash)
        .bind(8, user.createdAt)
        .run();
}

void SqliteDeskStore::updateUser(const User& user) {
    prepare("UPDATE users SET user_name = ?2, first_name = ?3, last_name = ?4, avatar_url = ?5 WHERE id = ?1")
        .bind(1, user.id)
        .bind(2, user.userName)
        .bind(3, user.firstName)
        .bind(4, user.lastName)
        .bind(5, user.avatarUrl)
        .run();
}

std::optional<User> SqliteDeskStore::user(const std::string& userId) {
    auto query = prepare(USER_SELECT "WHERE id = ?");
    query.bind(1, userId);
    if (!query.step()) return std::nullopt;
    return userFrom(query);
}

std::optional<User> SqliteDeskStore::userByName(const std::string& tenantId, const std::string& userName) {
    auto query = prepare(USER_SELECT "WHERE tenant_id = ? AND user_name = ? ORDER BY created_at LIMIT 1");
    query.bind(1, tenantId).bind(2, userName);
    if (!query.step()) return std::nullopt;
    return userFrom(query);
}

std::optional<std::pair<User, std::string>> SqliteDeskStore::userByTokenHash(const std::string& tokenHash) {
    auto query = prepare(USER_SELECT "WHERE token_hash = ?");
    query.bind(1, tokenHash);
    if (!query.step()) return std::nullopt;
    return std::pair{userFrom(query), query.text(7)};
}

std::vector<User> SqliteDeskStore::users(const std::string& tenantId) {
    auto query = prepare(USER_SELECT "WHERE tenant_id = ? ORDER BY created_at, id");
    query.bind(1, tenantId);
    std::vector<User> list;
    while (query.step()) list.push_back(userFrom(query));
    return list;
}

void SqliteDeskStore::insertAgent(const Agent& agent, const std::string& passwordHash) {
    prepare("INSERT INTO agents(id, tenant_id, email, name, avatar_url, password_hash) VALUES (?, ?, ?, ?, ?, ?)")
        .bind(1, agent.id)
        .bind(2, agent.tenantId)
        .bind(3, agent.email)
        .bind(4, agent.name)
        .bind(5, agent.avatarUrl)
        .bind(6, passwordHash)
        .run();
}

#define AGENT_SELECT "SELECT a.id, a.tenant_id, a.email, a.name, a.avatar_url, a.password_hash FROM agents a "

template <class Query>
static Agent agentFrom(const Query& query) {
    return Agent{query.text(0), query.text(1), query.text(2), query.text(3), query.text(4)};
}

std::optional<std::pair<Agent, std::string>> SqliteDeskStore::agentByEmail(const std::string& tenantId,
                                                                          const std::string& email) {
    auto query = prepare(AGENT_SELECT "WHERE a.tenant_id = ? AND a.email = ?");
    query.bind(1, tenantId).bind(2, email);
    if (!query.step()) return std::nullopt;
    return std::pair{agentFrom(query), query.text(5)};
}

std::optional<Agent> SqliteDeskStore::agent(const std::string& agentId) {
    auto query = prepare(AGENT_SELECT "WHERE a.id = ?");
    query.bind(1, agentId);
    if (!query.step()) return std::nullopt;
    return agentFrom(query);
}

void SqliteDeskStore::insertAgentSession(const std::string& tokenHash, const std::string& agentId,
                                         Millis createdAt) {
    prepare("INSERT INTO agent_sessions(token_hash, agent_id, created_at) VALUES (?, ?, ?)")
        .bind(1, tokenHash)
        .bind(2, agentId)
        .bind(3, createdAt)
        .run();
}

std::optional<std::pair<Agent, std::string>> SqliteDeskStore::agentBySessionHash(const std::string& tokenHash) {
    auto query = prepare("SELECT a.id, a.tenant_id, a.email, a.name, a.avatar_url, s.token_hash "
                         "FROM agent_sessions s JOIN agents a ON a.id = s.agent_id WHERE s.token_hash = ?");
    query.bind(1, tokenHash);
    if (!query.step()) return std::nullopt;
    return std::pair{agentFrom(query), query.text(5)};
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
    query.bind(1, tenantId);
    query.step();
    return query.integer(0);
}

std::optional<Conversation> SqliteDeskStore::conversation(const std::string& conversationId) {
    auto query = prepare(CONVERSATION_SELECT "WHERE c.id = ?");
    query.bind(1, conversationId);
    if (!query.step()) return std::nullopt;
    return conversationFrom(query);
}

std::vector<Conversation> SqliteDeskStore::conversationsOfUser(const std::string& userId) {
    auto query = prepare(CONVERSATION_SELECT "WHERE c.user_id = ? ORDER BY c.number DESC");
    query.bind(1, userId);
    std::vector<Conversation> list;
    while (query.step()) list.push_back(conversationFrom(query));
    return list;
}

std::vector<Conversation> SqliteDeskStore::conversationsOfTenant(const std::string& tenantId) {
    auto query = prepare(CONVERSATION_SELECT "WHERE c.tenant_id = ? ORDER BY c.number DESC");
    query.bind(1, tenantId);
    std::vector<Conversation> list;
    while (query.step()) list.push_back(conversationFrom(query));
    return list;
}

std::vector<std::int64_t> SqliteDeskStore::commit(const Changes& changes) {
    std::vector<std::int64_t> ids;
    exec("BEGIN IMMEDIATE");
    try {
        for (const auto& c : changes.conversations) {
            prepare("INSERT INTO conversations(id, tenant_id, user_id, number, subject, description, status, "
                    "agent_id, created_at, updated_at, unseen_by_user, unseen_by_agent, last_offset, score_id) "
                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14) "
                    "ON CONFLICT(id) DO UPDATE SET subject = ?5, description = ?6, status = ?7, agent_id = ?8, "
                    "updated_at = ?10, unseen_by_user = ?11, unseen_by_agent = ?12, last_offset = ?13, "
                    "score_id = ?14")
                .bind(1, c.id)
                .bind(2, c.tenantId)
                .bind(3, c.userId)
                .bind(4, c.number)
                .bind(5, c.subject)
                .bind(6, c.description)
                .bind(7, c.status)
                .bind(8, c.agentId)
                .bind(9, c.createdAt)
                .bind(10, c.updatedAt)
                .bind(11, c.unseenByUser)
                .bind(12, c.unseenByAgent)
                .bind(13, c.lastOffset)
                .bind(14, c.scoreId)
                .run();
        }
        for (const auto& m : changes.messages) {
            auto insert = prepare(
                "INSERT INTO messages(conversation_id, offset, direction, content_type, text, "
                "event_description, agent_id, client_key, created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
            insert.bind(1, m.conversationId)
                .bind(2, m.offset)
                .bind(3, m.direction)
                .bind(4, m.contentType)
                .bind(5, m.text)
                .bind(6, m.eventDescription)
                .bind(7, m.agentId);
            if (m.clientKey.empty())
                insert.bindNull(8);
            else
                insert.bind(8, m.clientKey);
            insert.bind(9, m.createdAt).run();
            ids.push_back(sqlite3_last_insert_rowid(db_));
        }
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
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
    auto query = prepare(MESSAGE_SELECT "WHERE conversation_id = ? AND offset > ? ORDER BY offset LIMIT ?");
    query.bind(1, conversationId).bind(2, afterOffset).bind(3, static_cast<std::int64_t>(limit));
    std::vector<Message> list;
    while (query.step()) list.push_back(messageFrom(query));
    return list;
}

std::optional<Message> SqliteDeskStore::messageByClientKey(const std::string& conversationId,
                                                           const std::string& clientKey) {
    auto query = prepare(MESSAGE_SELECT "WHERE conversation_id = ? AND client_key = ?");
    query.bind(1, conversationId).bind(2, clientKey);
    if (!query.step()) return std::nullopt;
    return messageFrom(query);
}

}  // namespace velmaro::desk
