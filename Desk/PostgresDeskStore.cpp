#include "Desk/PostgresDeskStore.h"

#include <libpq-fe.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace velmaro::desk {

namespace {

// The same schema as the SQLite store's, in PostgreSQL's words ("offset" is a keyword here).
// Forward only; never edit one that has shipped: add the next.
const char* const kPostgresMigrations[] = {
    // 1: the first schema.
    R"sql(
    CREATE TABLE tenants(
      id TEXT PRIMARY KEY, name TEXT NOT NULL, avatar_url TEXT NOT NULL,
      primary_color TEXT NOT NULL, user_name_required INTEGER NOT NULL);
    CREATE TABLE users(
      id TEXT PRIMARY KEY, tenant_id TEXT NOT NULL REFERENCES tenants(id),
      user_name TEXT NOT NULL, first_name TEXT NOT NULL, last_name TEXT NOT NULL,
      avatar_url TEXT NOT NULL, token_hash TEXT NOT NULL UNIQUE, created_at BIGINT NOT NULL);
    CREATE INDEX users_by_name ON users(tenant_id, user_name);
    CREATE TABLE agents(
      id TEXT PRIMARY KEY, tenant_id TEXT NOT NULL REFERENCES tenants(id),
      email TEXT NOT NULL, name TEXT NOT NULL, avatar_url TEXT NOT NULL,
      password_hash TEXT NOT NULL, UNIQUE(tenant_id, email));
    CREATE TABLE agent_sessions(
      token_hash TEXT PRIMARY KEY, agent_id TEXT NOT NULL REFERENCES agents(id),
      created_at BIGINT NOT NULL);
    CREATE TABLE conversations(
      id TEXT PRIMARY KEY, tenant_id TEXT NOT NULL REFERENCES tenants(id),
      user_id TEXT NOT NULL REFERENCES users(id), number BIGINT NOT NULL,
      subject TEXT NOT NULL, description TEXT NOT NULL, status TEXT NOT NULL,
      agent_id TEXT NOT NULL, created_at BIGINT NOT NULL, updated_at BIGINT NOT NULL,
      unseen_by_user BIGINT NOT NULL, unseen_by_agent BIGINT NOT NULL,
      last_offset BIGINT NOT NULL, UNIQUE(tenant_id, number));
    CREATE INDEX conversations_by_user ON conversations(user_id);
    CREATE TABLE messages(
      id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
      conversation_id TEXT NOT NULL REFERENCES conversations(id),
      "offset" BIGINT NOT NULL, direction TEXT NOT NULL, content_type TEXT NOT NULL,
      text TEXT NOT NULL, event_description TEXT NOT NULL, agent_id TEXT NOT NULL,
      client_key TEXT, created_at BIGINT NOT NULL,
      UNIQUE(conversation_id, "offset"));
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
      sealed_body TEXT NOT NULL, kept_at BIGINT NOT NULL);
    CREATE INDEX kept_answers_by_age ON kept_answers(kept_at);
    )sql",
};

constexpr const char* kChannel = "velmaro_desk";
// Taken while migrating, so that desks starting together on an empty database migrate once.
constexpr const char* kMigrationLock = "SELECT pg_advisory_lock(7466820451133440001)";
constexpr const char* kMigrationUnlock = "SELECT pg_advisory_unlock(7466820451133440001)";
// Well under the 8000 bytes a notification may carry.
constexpr std::size_t kNoticeLimit = 7000;

std::string number(std::int64_t value) {
    return std::to_string(value);
}

std::optional<std::string> nullIfEmpty(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

// 64 bits of FNV-1a: advisory locks are numbered.
std::int64_t lockNumber(const std::string& name) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    return static_cast<std::int64_t>(hash);
}

// One change in a notice: "<offset> <length of the id> <id>", so that any id fits.
void appendNotice(std::vector<std::string>& notices, const std::string& conversationId, std::int64_t offset) {
    notices.push_back(number(offset) + " " + number(static_cast<std::int64_t>(conversationId.size())) + " " +
                      conversationId);
}

}  // namespace

// The rows a statement answered, read as text.
class PostgresDeskStore::Result {
public:
    explicit Result(PGresult* result) : r_(result) {}
    ~Result() { PQclear(r_); }
    Result(Result&& other) noexcept : r_(std::exchange(other.r_, nullptr)) {}
    Result(const Result&) = delete;

    int rows() const { return PQntuples(r_); }
    std::string text(int row, int column) const {
        return std::string(PQgetvalue(r_, row, column), static_cast<std::size_t>(PQgetlength(r_, row, column)));
    }
    std::int64_t integer(int row, int column) const { return std::strtoll(PQgetvalue(r_, row, column), nullptr, 10); }

    template <class From>
    auto one(From from) const -> std::optional<decltype(from(*this, 0))> {
        if (rows() == 0) return std::nullopt;
        return from(*this, 0);
    }
    template <class From>
    auto all(From from) const -> std::vector<decltype(from(*this, 0))> {
        std::vector<decltype(from(*this, 0))> list;
        for (int row = 0; row < rows(); ++row) list.push_back(from(*this, row));
        return list;
    }

private:
    PGresult* r_;
};

bool PostgresDeskStore::isUrl(const std::string& text) {
    return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0;
}

int PostgresDeskStore::newestSchemaVersion() {
    return static_cast<int>(std::size(kPostgresMigrations));
}

PostgresDeskStore::PostgresDeskStore(const std::string& url) : url_(url) {
    db_ = PQconnectdb(url.c_str());
    if (!db_ || PQstatus(db_) != CONNECTION_OK) {
        // The error names the host, never the password.
        std::string why = db_ ? PQerrorMessage(db_) : "out of memory";
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
        PQfinish(db_);
        db_ = nullptr;
        throw DeskError(DeskError::Code::unavailable, "cannot reach the PostgreSQL database: " + why);
    }
    name_ = std::string(PQhost(db_)) + ":" + PQport(db_) + "/" + PQdb(db_);
    ownBackend_ = PQbackendPID(db_);
    try {
        exec("SET client_min_messages = warning");
        migrate();
    } catch (...) {
        PQfinish(db_);
        throw;
    }
}

PostgresDeskStore::~PostgresDeskStore() {
    hearOthers({});
    PQfinish(db_);
}

void PostgresDeskStore::fail(const std::string& what) const {
    std::string why = what;
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    throw DeskError(DeskError::Code::unavailable, "database " + name_ + ": " + why);
}

void PostgresDeskStore::exec(const char* sql) {
    PGresult* raw = PQexec(db_, sql);
    Result result(raw);
    const auto status = PQresultStatus(raw);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) refused(raw);
}

void PostgresDeskStore::refused(const pg_result* raw) {
    if (depth_ > 0) spoilt_ = true;  // the database refuses the rest of the transaction
    fail(raw ? PQresultErrorMessage(raw) : PQerrorMessage(db_));
}

PostgresDeskStore::Result PostgresDeskStore::run(const char* sql, const Parameters& parameters) {
    // A connection lost between transactions is opened again; within one, the work is lost.
    if (PQstatus(db_) == CONNECTION_BAD && depth_ == 0) {
        PQreset(db_);
        prepared_.clear();
        ownBackend_ = PQbackendPID(db_);
    }
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const auto& parameter : parameters) {
        // Text goes as C strings: a NUL would cut it short without a word.
        if (parameter && parameter->find('\0') != std::string::npos)
            throw DeskError(DeskError::Code::invalid, "text with a NUL character cannot be stored");
        values.push_back(parameter ? parameter->c_str() : nullptr);
    }
    auto found = prepared_.find(sql);
    if (found == prepared_.end()) {
        std::string name = number(nextStatement_++);
        name.insert(name.begin(), 's');  // (not "s" + …: GCC 12 at -O3 warns of an overlap that is not there)
        PGresult* raw = PQprepare(db_, name.c_str(), sql, 0, nullptr);
        Result prepared(raw);
        if (PQresultStatus(raw) != PGRES_COMMAND_OK) refused(raw);
        found = prepared_.emplace(sql, name).first;
    }
    if (std::strncmp(sql, "SELECT", 6) != 0) ++writes_;
    PGresult* raw = PQexecPrepared(db_, found->second.c_str(), static_cast<int>(values.size()), values.data(), nullptr,
                                   nullptr, 0);
    Result result(raw);
    const auto status = PQresultStatus(raw);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        if (PQstatus(db_) == CONNECTION_BAD) prepared_.clear();  // prepared again on the next connection
        refused(raw);
    }
    return result;
}

void PostgresDeskStore::migrate() {
    exec(kMigrationLock);
    try {
        exec("CREATE TABLE IF NOT EXISTS schema_version(version INTEGER NOT NULL)");
        version_ = run("SELECT version FROM schema_version").one([](const Result& r, int row) {
            return static_cast<int>(r.integer(row, 0));
        }).value_or(0);
        if (version_ > newestSchemaVersion())
            fail("written by a newer desk (schema " + std::to_string(version_) + ", this desk knows up to " +
                 std::to_string(newestSchemaVersion()) + ")");
        for (int next = version_; next < newestSchemaVersion(); ++next) {
            beginTransaction();
            try {
                exec(kPostgresMigrations[next]);
                exec("DELETE FROM schema_version");
                run("INSERT INTO schema_version(version) VALUES ($1)", {number(next + 1)});
                commitTransaction();
            } catch (...) {
                rollbackTransaction();
                throw;
            }
            version_ = next + 1;
        }
    } catch (...) {
        PQclear(PQexec(db_, kMigrationUnlock));
        throw;
    }
    exec(kMigrationUnlock);
}

int PostgresDeskStore::schemaVersion() const {
    return version_;
}

// --- Tenants, users, agents -----------------------------------------------------------------

void PostgresDeskStore::putTenant(const Tenant& tenant) {
    run("INSERT INTO tenants(id, name, avatar_url, primary_color, user_name_required) VALUES ($1, $2, $3, $4, $5) "
        "ON CONFLICT(id) DO UPDATE SET name = $2, avatar_url = $3, primary_color = $4, user_name_required = $5",
        {tenant.id, tenant.name, tenant.avatarUrl, tenant.primaryColor, number(tenant.userNameRequired)});
}

std::optional<Tenant> PostgresDeskStore::tenant(const std::string& tenantId) {
    return run("SELECT id, name, avatar_url, primary_color, user_name_required FROM tenants WHERE id = $1", {tenantId})
        .one([](const Result& r, int i) {
            return Tenant{r.text(i, 0), r.text(i, 1), r.text(i, 2), r.text(i, 3), r.integer(i, 4) != 0};
        });
}

#define PG_USER_SELECT "SELECT id, tenant_id, user_name, first_name, last_name, avatar_url, created_at, token_hash FROM users "

static User pgUserFrom(const PostgresDeskStore::Result& r, int i) {
    return User{r.text(i, 0), r.text(i, 1), r.text(i, 2), r.text(i, 3), r.text(i, 4), r.text(i, 5), r.integer(i, 6)};
}

void PostgresDeskStore::insertUser(const User& user, const std::string& tokenHash) {
    run("INSERT INTO users(id, tenant_id, user_name, first_name, last_name, avatar_url, token_hash, created_at) "
        "VALUES ($1, $2, $3, $4, $5, $6, $7, $8)",
        {user.id, user.tenantId, user.userName, user.firstName, user.lastName, user.avatarUrl, tokenHash,
         number(user.createdAt)});
}

void PostgresDeskStore::updateUser(const User& user) {
    run("UPDATE users SET user_name = $2, first_name = $3, last_name = $4, avatar_url = $5 WHERE id = $1",
        {user.id, user.userName, user.firstName, user.lastName, user.avatarUrl});
}

std::optional<User> PostgresDeskStore::user(const std::string& userId) {
    return run(PG_USER_SELECT "WHERE id = $1", {userId}).one(pgUserFrom);
}

std::optional<User> PostgresDeskStore::userByName(const std::string& tenantId, const std::string& userName) {
    return run(PG_USER_SELECT "WHERE tenant_id = $1 AND user_name = $2 ORDER BY created_at LIMIT 1", {tenantId, userName})
        .one(pgUserFrom);
}

std::optional<std::pair<User, std::string>> PostgresDeskStore::userByTokenHash(const std::string& tokenHash) {
    return run(PG_USER_SELECT "WHERE token_hash = $1", {tokenHash}).one([](const Result& r, int i) {
        return std::pair{pgUserFrom(r, i), r.text(i, 7)};
    });
}

std::vector<User> PostgresDeskStore::users(const std::string& tenantId) {
    return run(PG_USER_SELECT "WHERE tenant_id = $1 ORDER BY created_at, id", {tenantId}).all(pgUserFrom);
}

void PostgresDeskStore::insertAgent(const Agent& agent, const std::string& passwordHash) {
    // Desks starting together may both add the tenant file's agents: the first one stays.
    run("INSERT INTO agents(id, tenant_id, email, name, avatar_url, password_hash) VALUES ($1, $2, $3, $4, $5, $6) "
        "ON CONFLICT(tenant_id, email) DO NOTHING",
        {agent.id, agent.tenantId, agent.email, agent.name, agent.avatarUrl, passwordHash});
}

#define PG_AGENT_SELECT "SELECT a.id, a.tenant_id, a.email, a.name, a.avatar_url, a.password_hash FROM agents a "

static Agent pgAgentFrom(const PostgresDeskStore::Result& r, int i) {
    return Agent{r.text(i, 0), r.text(i, 1), r.text(i, 2), r.text(i, 3), r.text(i, 4)};
}

static std::pair<Agent, std::string> pgAgentAndHashFrom(const PostgresDeskStore::Result& r, int i) {
    return {pgAgentFrom(r, i), r.text(i, 5)};
}

std::optional<std::pair<Agent, std::string>> PostgresDeskStore::agentByEmail(const std::string& tenantId,
                                                                            const std::string& email) {
    return run(PG_AGENT_SELECT "WHERE a.tenant_id = $1 AND a.email = $2", {tenantId, email}).one(pgAgentAndHashFrom);
}

std::optional<Agent> PostgresDeskStore::agent(const std::string& agentId) {
    return run(PG_AGENT_SELECT "WHERE a.id = $1", {agentId}).one(pgAgentFrom);
}

void PostgresDeskStore::insertAgentSession(const std::string& tokenHash, const std::string& agentId,
                                           Millis createdAt) {
    run("INSERT INTO agent_sessions(token_hash, agent_id, created_at) VALUES ($1, $2, $3)",
        {tokenHash, agentId, number(createdAt)});
}

std::optional<std::pair<Agent, std::string>> PostgresDeskStore::agentBySessionHash(const std::string& tokenHash) {
    return run("SELECT a.id, a.tenant_id, a.email, a.name, a.avatar_url, s.token_hash "
               "FROM agent_sessions s JOIN agents a ON a.id = s.agent_id WHERE s.token_hash = $1",
               {tokenHash})
        .one(pgAgentAndHashFrom);
}

void PostgresDeskStore::deleteAgentSession(const std::string& tokenHash) {
    run("DELETE FROM agent_sessions WHERE token_hash = $1", {tokenHash});
}

// --- Conversations and messages ---------------------------------------------------------------

#define PG_CONVERSATION_SELECT                                                                   \
    "SELECT c.id, c.tenant_id, c.user_id, c.number, c.subject, c.description, c.status, "        \
    "c.agent_id, coalesce(a.name, ''), coalesce(a.avatar_url, ''), c.created_at, c.updated_at, " \
    "c.unseen_by_user, c.unseen_by_agent, c.last_offset, c.score_id "                            \
    "FROM conversations c LEFT JOIN agents a ON a.id = c.agent_id "

static Conversation pgConversationFrom(const PostgresDeskStore::Result& r, int i) {
    Conversation c;
    c.id = r.text(i, 0);
    c.tenantId = r.text(i, 1);
    c.userId = r.text(i, 2);
    c.number = r.integer(i, 3);
    c.subject = r.text(i, 4);
    c.description = r.text(i, 5);
    c.status = r.text(i, 6);
    c.agentId = r.text(i, 7);
    c.agentName = r.text(i, 8);
    c.agentAvatarUrl = r.text(i, 9);
    c.createdAt = r.integer(i, 10);
    c.updatedAt = r.integer(i, 11);
    c.unseenByUser = r.integer(i, 12);
    c.unseenByAgent = r.integer(i, 13);
    c.lastOffset = r.integer(i, 14);
    c.scoreId = r.text(i, 15);
    return c;
}

std::int64_t PostgresDeskStore::nextConversationNumber(const std::string& tenantId) {
    // The tenant's row is the lock on its numbers: a second desk waits here for our commit.
    // (Not FOR UPDATE: users and conversations being added meanwhile only share-lock it.)
    run("SELECT 1 FROM tenants WHERE id = $1 FOR NO KEY UPDATE", {tenantId});
    return run("SELECT coalesce(max(number), 0) + 1 FROM conversations WHERE tenant_id = $1", {tenantId})
        .integer(0, 0);
}

std::optional<Conversation> PostgresDeskStore::conversation(const std::string& conversationId) {
    return run(PG_CONVERSATION_SELECT "WHERE c.id = $1", {conversationId}).one(pgConversationFrom);
}

std::optional<Conversation> PostgresDeskStore::conversationForUpdate(const std::string& conversationId) {
    return run(PG_CONVERSATION_SELECT "WHERE c.id = $1 FOR NO KEY UPDATE OF c", {conversationId}).one(pgConversationFrom);
}

std::vector<Conversation> PostgresDeskStore::conversationsOfUser(const std::string& userId) {
    return run(PG_CONVERSATION_SELECT "WHERE c.user_id = $1 ORDER BY c.number DESC", {userId}).all(pgConversationFrom);
}

std::vector<Conversation> PostgresDeskStore::conversationsOfTenant(const std::string& tenantId) {
    return run(PG_CONVERSATION_SELECT "WHERE c.tenant_id = $1 ORDER BY c.number DESC", {tenantId})
        .all(pgConversationFrom);
}

std::vector<std::int64_t> PostgresDeskStore::commit(const Changes& changes) {
    std::vector<std::int64_t> ids;
    // Within a transaction already (every change the engine makes), whoever opened it rolls back
    // what a failure here leaves: a savepoint of its own would be two more round trips a message.
    const bool own = depth_ == 0;
    if (own) beginTransaction();
    try {
        for (const auto& c : changes.conversations) {
            run("INSERT INTO conversations(id, tenant_id, user_id, number, subject, description, status, agent_id, "
                "created_at, updated_at, unseen_by_user, unseen_by_agent, last_offset, score_id) "
                "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14) "
                "ON CONFLICT(id) DO UPDATE SET subject = $5, description = $6, status = $7, agent_id = $8, "
                "updated_at = $10, unseen_by_user = $11, unseen_by_agent = $12, last_offset = $13, score_id = $14",
                {c.id, c.tenantId, c.userId, number(c.number), c.subject, c.description, c.status, c.agentId,
                 number(c.createdAt), number(c.updatedAt), number(c.unseenByUser), number(c.unseenByAgent),
                 number(c.lastOffset), c.scoreId});
            bool hasMessage = false;
            for (const auto& m : changes.messages) hasMessage = hasMessage || m.conversationId == c.id;
            if (!hasMessage) appendNotice(notices_, c.id, 0);
        }
        for (const auto& m : changes.messages) {
            ids.push_back(run("INSERT INTO messages(conversation_id, \"offset\", direction, content_type, text, "
                              "event_description, agent_id, client_key, created_at) "
                              "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9) RETURNING id",
                              {m.conversationId, number(m.offset), m.direction, m.contentType, m.text,
                               m.eventDescription, m.agentId, nullIfEmpty(m.clientKey), number(m.createdAt)})
                              .integer(0, 0));
            appendNotice(notices_, m.conversationId, m.offset);
        }
        if (own) commitTransaction();
    } catch (...) {
        if (own) rollbackTransaction();
        throw;
    }
    return ids;
}

#define PG_MESSAGE_SELECT                                                                         \
    "SELECT id, conversation_id, \"offset\", direction, content_type, text, event_description, " \
    "agent_id, coalesce(client_key, ''), created_at FROM messages "

static Message pgMessageFrom(const PostgresDeskStore::Result& r, int i) {
    return Message{r.integer(i, 0), r.text(i, 1), r.integer(i, 2), r.text(i, 3), r.text(i, 4),
                   r.text(i, 5),    r.text(i, 6), r.text(i, 7),    r.text(i, 8), r.integer(i, 9)};
}

std::vector<Message> PostgresDeskStore::messages(const std::string& conversationId, std::int64_t afterOffset,
                                                 std::size_t limit) {
    return run(PG_MESSAGE_SELECT "WHERE conversation_id = $1 AND \"offset\" > $2 ORDER BY \"offset\" LIMIT $3",
               {conversationId, number(afterOffset), number(static_cast<std::int64_t>(limit))})
        .all(pgMessageFrom);
}

std::optional<Message> PostgresDeskStore::messageByClientKey(const std::string& conversationId,
                                                             const std::string& clientKey) {
    return run(PG_MESSAGE_SELECT "WHERE conversation_id = $1 AND client_key = $2", {conversationId, clientKey})
        .one(pgMessageFrom);
}

// --- Transactions and kept answers -------------------------------------------------------------

void PostgresDeskStore::lockName(const std::string& name) {
    run("SELECT pg_advisory_xact_lock($1)", {number(lockNumber(name))});
}

void PostgresDeskStore::beginTransaction() {
    if (depth_ == 0) {
        exec("BEGIN");
        spoilt_ = false;
    }
    noticeMarks_.push_back(notices_.size());
    writeMarks_.push_back(writes_);
    ++depth_;
}

void PostgresDeskStore::commitTransaction() {
    if (depth_ > 1) {
        --depth_;
        noticeMarks_.pop_back();
        writeMarks_.pop_back();
        return;
    }
    if (spoilt_)
        throw DeskError(DeskError::Code::unavailable,
                        "database " + name_ + ": a change within the transaction failed; nothing was kept");
    if (!notices_.empty()) {
        // Told to the other desks by the commit itself, and only if it commits.
        // In pieces of whole entries, each under the size a notification may have.
        std::string piece;
        for (const auto& entry : notices_) {
            if (!piece.empty() && piece.size() + entry.size() > kNoticeLimit) {
                run("SELECT pg_notify($1, $2)", {std::string(kChannel), piece});
                piece.clear();
            }
            piece += entry;
        }
        run("SELECT pg_notify($1, $2)", {std::string(kChannel), piece});
    }
    exec("COMMIT");  // throwing, the transaction stays open: the caller rolls it back
    --depth_;
    noticeMarks_.pop_back();
    writeMarks_.pop_back();
    notices_.clear();
}

void PostgresDeskStore::rollbackTransaction() {
    --depth_;
    if (depth_ == 0) {
        PQclear(PQexec(db_, "ROLLBACK"));
        spoilt_ = false;
    } else if (writes_ > writeMarks_.back()) {
        spoilt_ = true;  // what it wrote cannot be undone alone
    }
    notices_.resize(noticeMarks_.back());
    noticeMarks_.pop_back();
    writeMarks_.pop_back();
}

std::optional<DeskStore::KeptAnswer> PostgresDeskStore::keptAnswer(const std::string& lookup, Millis notBefore) {
    return run("SELECT request_hash, status, sealed_body, kept_at FROM kept_answers WHERE lookup = $1 AND kept_at >= $2",
               {lookup, number(notBefore)})
        .one([](const Result& r, int i) {
            return KeptAnswer{r.text(i, 0), static_cast<int>(r.integer(i, 1)), r.text(i, 2), r.integer(i, 3)};
        });
}

void PostgresDeskStore::keepAnswer(const std::string& lookup, const KeptAnswer& answer, Millis forgetBefore) {
    run("DELETE FROM kept_answers WHERE kept_at < $1", {number(forgetBefore)});
    run("INSERT INTO kept_answers(lookup, request_hash, status, sealed_body, kept_at) VALUES ($1, $2, $3, $4, $5) "
        "ON CONFLICT(lookup) DO UPDATE SET request_hash = $2, status = $3, sealed_body = $4, kept_at = $5",
        {lookup, answer.requestHash, number(answer.status), answer.sealedBody, number(answer.keptAt)});
}

// --- Hearing the other desks ---------------------------------------------------------------------

void PostgresDeskStore::hearOthers(Heard heard) {
    if (listener_.joinable()) {
        const char stop = 1;
        [[maybe_unused]] auto written = ::write(wake_[1], &stop, 1);
        listener_.join();
        ::close(wake_[0]);
        ::close(wake_[1]);
        wake_[0] = wake_[1] = -1;
    }
    heard_ = std::move(heard);
    if (!heard_.changed) return;
    if (::pipe(wake_) != 0) fail("cannot make a pipe for the listener");
    // Listening before this returns: what commits from now on is heard.
    PGconn* connection = connectListener();
    if (!connection) {
        ::close(wake_[0]);
        ::close(wake_[1]);
        wake_[0] = wake_[1] = -1;
        fail("cannot listen for the other desks");
    }
    listener_ = std::thread([this, connection] { listen(connection); });
}

PGconn* PostgresDeskStore::connectListener() {
    const char* keys[] = {"dbname", "application_name", nullptr};
    const char* values[] = {url_.c_str(), "velmaro-desk listener", nullptr};
    PGconn* connection = PQconnectdbParams(keys, values, 1);
    PGresult* listening = PQstatus(connection) == CONNECTION_OK
                              ? PQexec(connection, (std::string("LISTEN ") + kChannel).c_str())
                              : nullptr;
    const bool ok = listening && PQresultStatus(listening) == PGRES_COMMAND_OK;
    PQclear(listening);
    if (ok) return connection;
    PQfinish(connection);
    return nullptr;
}

// On the listener's thread: its own connection, LISTENing; lost, it is made again, and whoever
// reads live catches up by offset, since what was committed meanwhile was told to nobody.
void PostgresDeskStore::listen(PGconn* connection) {
    bool lost = false;
    // Waits for the socket (or the time) and answers false when told to stop.
    auto wait = [&](int socket, int milliseconds) {
        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {socket, POLLIN, 0}};
        ::poll(fds, socket >= 0 ? 2 : 1, milliseconds);
        return (fds[0].revents & POLLIN) == 0;
    };
    for (;;) {
        if (!connection) {
            connection = connectListener();
            if (!connection) {
                if (!wait(-1, 200)) break;
                continue;
            }
            if (std::exchange(lost, false) && heard_.missed) heard_.missed();
        }
        if (!wait(PQsocket(connection), -1)) break;
        if (PQconsumeInput(connection) == 0 || PQstatus(connection) != CONNECTION_OK) {
            PQfinish(connection);
            connection = nullptr;
            lost = true;
            continue;
        }
        while (PGnotify* notice = PQnotifies(connection)) {
            if (notice->be_pid != ownBackend_) {
                const std::string text = notice->extra;
                for (std::size_t at = 0; at < text.size();) {
                    const std::size_t lengthAt = text.find(' ', at);
                    const std::size_t idAt = lengthAt == std::string::npos ? lengthAt : text.find(' ', lengthAt + 1);
                    if (idAt == std::string::npos) break;
                    const std::int64_t offset = std::strtoll(text.c_str() + at, nullptr, 10);
                    const std::size_t length = std::strtoull(text.c_str() + lengthAt + 1, nullptr, 10);
                    heard_.changed(text.substr(idAt + 1, length), offset);
                    at = idAt + 1 + length;
                }
            }
            PQfreemem(notice);
        }
    }
    PQfinish(connection);
}

}  // namespace velmaro::desk
