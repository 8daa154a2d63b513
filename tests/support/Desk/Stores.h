#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "Desk/PostgresDeskStore.h"
#include "Desk/SqliteDeskStore.h"
#include "support/Platform/ScratchFolder.h"
#include "support/Postgres/PostgresCluster.h"

namespace velmaro::testing_desk {

// The same desk suites run on each store: cases instantiated as Sqlite/… and Postgres/… (the
// latter labelled `database` in ctest).
enum class StoreKind { sqlite, postgres };

inline std::string storeKindName(const ::testing::TestParamInfo<StoreKind>& info) {
    return info.param == StoreKind::sqlite ? "sqlite" : "postgres";
}

// Where one test's desk keeps its data: a fresh SQLite file in a scratch folder, or a fresh
// database on this test program's PostgreSQL cluster. Several stores may open it at once.
class StorePlace {
public:
    // Skips the running test, with a message, when PostgreSQL is not installed.
    explicit StorePlace(StoreKind kind) : kind_(kind), folder_("desk-store") {
        if (kind == StoreKind::sqlite) {
            location_ = (folder_.path() / "desk.db").string();
        } else if (auto* cluster = testing_postgres::PostgresCluster::shared()) {
            location_ = cluster->freshDatabase();
        }
    }

    // True when the test can run; otherwise the caller skips (GTEST_SKIP only works there).
    bool available() const { return !location_.empty(); }
    static constexpr const char* kUnavailable =
        "PostgreSQL is not installed (no initdb from pg_config --bindir or /usr/lib/postgresql/15/bin)";

    StoreKind kind() const { return kind_; }
    // What velmaro-desk's --db takes: the file or the URL.
    const std::string& location() const { return location_; }
    const std::filesystem::path& folder() const { return folder_.path(); }

    std::unique_ptr<desk::DeskStore> open() const {
        if (kind_ == StoreKind::sqlite) return std::make_unique<desk::SqliteDeskStore>(location_);
        return std::make_unique<desk::PostgresDeskStore>(location_);
    }

    // What another connection to the database counts for `sql` (one number), to see what is
    // committed from outside the desk.
    std::int64_t countFromOutside(const std::string& sql) const {
        if (kind_ == StoreKind::sqlite) {
            sqlite3* db = nullptr;
            sqlite3_open(location_.c_str(), &db);
            sqlite3_stmt* query = nullptr;
            sqlite3_prepare_v2(db, sql.c_str(), -1, &query, nullptr);
            const std::int64_t n = sqlite3_step(query) == SQLITE_ROW ? sqlite3_column_int64(query, 0) : -1;
            sqlite3_finalize(query);
            sqlite3_close(db);
            return n;
        }
        PGconn* db = PQconnectdb(location_.c_str());
        PGresult* result = PQexec(db, sql.c_str());
        const std::int64_t n =
            PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1 ? std::stoll(PQgetvalue(result, 0, 0)) : -1;
        PQclear(result);
        PQfinish(db);
        return n;
    }

    // Runs SQL on another connection, as an administrator would; false with a failure noted.
    bool executeFromOutside(const std::string& sql) const {
        if (kind_ == StoreKind::sqlite) {
            sqlite3* db = nullptr;
            sqlite3_open(location_.c_str(), &db);
            char* why = nullptr;
            const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &why) == SQLITE_OK;
            if (!ok) ADD_FAILURE() << sql << ": " << (why ? why : "");
            sqlite3_free(why);
            sqlite3_close(db);
            return ok;
        }
        try {
            testing_postgres::PostgresCluster::shared()->execute(sql, location_);
            return true;
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
            return false;
        }
    }

private:
    StoreKind kind_;
    ScratchFolder folder_;
    std::string location_;
};

}  // namespace velmaro::testing_desk
