#pragma once

#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/Browser/ChildProcess.h"

namespace velmaro::testing_postgres {

// A throwaway PostgreSQL cluster: initdb into a temporary folder, `postgres` on 127.0.0.1 on a
// port picked here (its unix socket in the folder), stopped (fast shutdown) and removed with the
// object (or with the process that made it). Run as `nobody` when the test runs as root, since
// PostgreSQL refuses root.
struct ClusterOptions {
    // Off for tests: nothing here outlives the machine. The benchmark keeps it on.
    bool fsync = false;
};

class PostgresCluster {
public:
    using Options = ClusterOptions;

    // The folder of PostgreSQL's programs, or empty when PostgreSQL is not installed.
    static std::string programs() {
        namespace fs = std::filesystem;
        std::vector<fs::path> candidates;
        if (FILE* pipe = ::popen("pg_config --bindir 2>/dev/null", "r")) {
            char line[512] = {};
            if (std::fgets(line, sizeof line, pipe)) {
                std::string text = line;
                while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
                candidates.push_back(text);
            }
            ::pclose(pipe);
        }
        candidates.push_back("/usr/lib/postgresql/15/bin");
        for (const auto& folder : candidates)
            if (fs::exists(folder / "initdb") && fs::exists(folder / "postgres")) return folder.string();
        return {};
    }

    // The cluster this test program shares, started on first use; null when PostgreSQL is not
    // installed. Stopped when the program exits.
    static PostgresCluster* shared() {
        static std::unique_ptr<PostgresCluster> cluster = programs().empty() ? nullptr : std::make_unique<PostgresCluster>();
        return cluster.get();
    }

    explicit PostgresCluster(Options options = {}) {
        namespace fs = std::filesystem;
        const std::string bin = programs();
        if (bin.empty()) throw std::runtime_error("PostgreSQL is not installed");
        char folder[] = "/tmp/velmaro-postgres-XXXXXX";
        if (!::mkdtemp(folder)) throw std::runtime_error("cannot make a folder for PostgreSQL");
        folder_ = folder;
        if (::geteuid() == 0) {
            // initdb refuses root: the cluster belongs to nobody.
            const passwd* nobody = ::getpwnam("nobody");
            if (!nobody || ::chown(folder, nobody->pw_uid, nobody->pw_gid) != 0)
                throw std::runtime_error("cannot give " + folder_ + " to nobody");
            asNobody_ = true;
        }
        const std::string log = folder_ + "/postgres.log";
        // Waited for (signal 0 only waits).
        if (velmaro::testing::ChildProcess(asOwner({bin + "/initdb", "-D", folder_ + "/data", "-U", "velmaro", "--auth=trust",
                                           "-E", "UTF8", "--locale=C", "--no-sync"}),
                                  log, false)
                .stop(0) != 0)
            throw std::runtime_error("initdb failed: see " + log);
        port_ = freePort();
        postgres_ = std::make_unique<velmaro::testing::ChildProcess>(
            asOwner({bin + "/postgres", "-D", folder_ + "/data", "-p", std::to_string(port_), "-k", folder_, "-c",
                     "listen_addresses=127.0.0.1", "-c", std::string("fsync=") + (options.fsync ? "on" : "off"), "-c",
                     "max_connections=200"}),
            log, false);
        // Ready when it answers; a postgres that exits early has said why in its log.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        const std::string info = "host=127.0.0.1 port=" + std::to_string(port_) + " user=velmaro dbname=postgres";
        while (PQping(info.c_str()) != PQPING_OK) {
            if (!postgres_->running() || std::chrono::steady_clock::now() > deadline)
                throw std::runtime_error("postgres did not start: see " + log);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    ~PostgresCluster() {
        if (postgres_) postgres_->stop(SIGINT);  // fast shutdown
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    unsigned short port() const { return port_; }

    // The URL of a database of the cluster.
    std::string url(const std::string& database) const {
        return "postgresql://velmaro@127.0.0.1:" + std::to_string(port_) + "/" + database;
    }

    // A new empty database; answers its URL.
    std::string freshDatabase() {
        const std::string name = "desk_" + std::to_string(::getpid()) + "_" + std::to_string(++databases_);
        execute("CREATE DATABASE " + name);
        return url(name);
    }

    // Runs SQL in the cluster's own database (or `database`); throws with PostgreSQL's message.
    void execute(const std::string& sql, const std::string& databaseUrl = {}) {
        PGconn* connection = PQconnectdb((databaseUrl.empty() ? url("postgres") : databaseUrl).c_str());
        PGresult* result = PQexec(connection, sql.c_str());
        const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
        std::string why = ok ? "" : PQerrorMessage(connection);
        PQclear(result);
        PQfinish(connection);
        if (!ok) throw std::runtime_error(sql + ": " + why);
    }

    // Cuts every connection of a database whose application name is `application` (a desk's
    // listener is "velmaro-desk listener"), as a network or server failure would.
    void cutConnections(const std::string& application) {
        execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = '" + application +
                "'");
    }

private:
    static unsigned short freePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin_port);
    }

    // The command run by the cluster's owner (nobody when the test is root), and ended with the
    // test's thread should the test be killed (a timeout, a crash).
    std::vector<std::string> asOwner(std::vector<std::string> args) const {
        std::vector<std::string> prefix{"/usr/bin/setpriv", "--pdeathsig", "INT"};
        if (asNobody_) prefix.insert(prefix.end(), {"--reuid=nobody", "--regid=nogroup", "--clear-groups"});
        prefix.push_back("--");
        args.insert(args.begin(), prefix.begin(), prefix.end());
        return args;
    }

    std::string folder_;
    bool asNobody_ = false;
    unsigned short port_ = 0;
    std::unique_ptr<velmaro::testing::ChildProcess> postgres_;
    int databases_ = 0;
};

}  // namespace velmaro::testing_postgres
