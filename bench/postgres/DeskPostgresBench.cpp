// Several desks on one PostgreSQL beside one desk on SQLite, in one run, servers and load in one
// process on loopback: messages per second received, committed and echoed across the desks (50
// customers, each sending 20 at a time, spread over the desks), and the time from a customer's
// send on desk A until the agent's live socket on desk B hears it (on SQLite: the same desk).
// PostgreSQL runs as a throwaway cluster with fsync on. Skips with a message without PostgreSQL.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Desk/PostgresDeskStore.h"
#include "Desk/SqliteDeskStore.h"
#include "DeskServer/DeskServer.h"
#include "support/Desk/WireClient.h"
#include "support/Postgres/PostgresCluster.h"

namespace velmaro::deskserver {
namespace {

using namespace wire_client;
using Clock = std::chrono::steady_clock;
constexpr int kCustomers = 50, kEachSends = 20, kLatencySamples = 300;

// A desk in this process on a loopback port, for the tenant "acme" with the agent Alex.
class InProcessDesk {
public:
    explicit InProcessDesk(std::unique_ptr<desk::DeskStore> store) {
        TenantFile tenant;
        tenant.tenant = {"acme", "Acme", "", "#FF0000", false};
        tenant.agents.push_back({"alex@acme.example", "Alex", "correct horse", ""});
        DeskServer::Options options;
        options.port = 0;
        options.threads = 2;
        options.passwordCost = desk::secrets::PasswordCost::minimum;
        server_ = std::make_unique<DeskServer>(std::move(store), tenant, options);
        thread_ = std::thread([this] { server_->run(); });
    }
    ~InProcessDesk() {
        server_->stop();
        thread_.join();
    }
    unsigned short port() const { return server_->port(); }

private:
    std::unique_ptr<DeskServer> server_;
    std::thread thread_;
};

// The desks of one kind of run: [0] is desk A, [1] desk B (the same desk for SQLite).
struct Setup {
    ~Setup() {
        desks.clear();
        for (const char* suffix : {"", "-wal", "-shm"}) std::remove((sqliteFile + suffix).c_str());
    }
    std::unique_ptr<testing_postgres::PostgresCluster> cluster;
    std::string sqliteFile;
    std::vector<std::unique_ptr<InProcessDesk>> desks;
    unsigned short a = 0, b = 0;
};

Setup& setup(bool postgres) {
    static Setup sqlite, shared;
    Setup& s = postgres ? shared : sqlite;
    if (!s.desks.empty()) return s;
    if (postgres) {
        s.cluster = std::make_unique<testing_postgres::PostgresCluster>(testing_postgres::ClusterOptions{true});
        const std::string url = s.cluster->freshDatabase();
        s.desks.push_back(std::make_unique<InProcessDesk>(std::make_unique<desk::PostgresDeskStore>(url)));
        s.desks.push_back(std::make_unique<InProcessDesk>(std::make_unique<desk::PostgresDeskStore>(url)));
    } else {
        s.sqliteFile = "/tmp/velmaro-desk-postgres-bench-" + std::to_string(::getpid()) + ".db";
        s.desks.push_back(std::make_unique<InProcessDesk>(std::make_unique<desk::SqliteDeskStore>(s.sqliteFile)));
    }
    s.a = s.desks.front()->port();
    s.b = s.desks.back()->port();
    return s;
}

struct Customer {
    std::string token, conversation;
    std::unique_ptr<Socket> chat;
    unsigned short port = 0;
};

std::vector<Customer> customers(const Setup& s, int count) {
    static int registered = 0;  // the benchmark runs more than once: names stay unique
    std::vector<Customer> list(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto& c = list[static_cast<std::size_t>(i)];
        c.port = (i % 2 == 0) ? s.a : s.b;
        c.token = post(c.port, "/v1/users", {{"userName", "c" + std::to_string(++registered)}}).body.value("token", "");
        c.conversation = post(c.port, "/v1/conversations", {{"description", "Load"}}, c.token).body.value("id", "");
        c.chat = std::make_unique<Socket>();
        c.chat->open(c.port, "/v1/conversations/" + c.conversation + "/chat?after=999999", c.token);
        c.chat->read();  // CONNECTED
    }
    return list;
}

bool skipWithoutPostgres(benchmark::State& state, bool postgres) {
    if (postgres && testing_postgres::PostgresCluster::programs().empty()) {
        state.SkipWithError("PostgreSQL is not installed (no initdb): nothing to measure");
        return true;
    }
    return false;
}

// Every customer sends kEachSends at once; an iteration ends when every echo came back.
void BM_MessagesPerSecond(benchmark::State& state) {
    const bool postgres = state.range(0) == 1;
    if (skipWithoutPostgres(state, postgres)) return;
    auto& s = setup(postgres);
    auto list = customers(s, kCustomers);
    std::int64_t messages = 0;
    for (auto _ : state) {
        for (auto& c : list)
            for (int i = 0; i < kEachSends; ++i) c.chat->sendJson({{"type", "send"}, {"message", "load"}});
        for (auto& c : list)
            for (int echoes = 0; echoes < kEachSends;) {
                auto frame = c.chat->read();
                if (!frame) {
                    state.SkipWithError("a chat went silent");
                    return;
                }
                if ((*frame)["type"] == "RECEIVED_MESSAGE_RESPONSE") ++echoes;
            }
        messages += kCustomers * kEachSends;
    }
    state.counters["messages_per_s"] = benchmark::Counter(static_cast<double>(messages), benchmark::Counter::kIsRate);
    state.SetLabel(postgres ? "two desks on one PostgreSQL" : "one desk on SQLite");
}

// One message at a time from a customer on desk A to the agent's live socket on desk B.
void BM_CustomerToAgentAcrossDesks(benchmark::State& state) {
    const bool postgres = state.range(0) == 1;
    if (skipWithoutPostgres(state, postgres)) return;
    auto& s = setup(postgres);
    const std::string token = post(s.a, "/v1/users", json::object()).body.value("token", "");
    const std::string id = post(s.a, "/v1/conversations", {{"description", "Latency"}}, token).body.value("id", "");
    const std::string alex =
        post(s.b, "/v1/agent/sessions", {{"email", "alex@acme.example"}, {"password", "correct horse"}}).body.value("token", "");
    Socket chat, live;
    chat.open(s.a, "/v1/conversations/" + id + "/chat?after=999999", token);
    chat.read();
    live.open(s.b, "/v1/agent/live", alex);
    std::vector<double> samples;
    for (auto _ : state) {
        samples.clear();
        for (int i = 0; i < kLatencySamples; ++i) {
            const std::string text = "ping " + std::to_string(i);
            const auto sent = Clock::now();
            chat.sendJson({{"type", "send"}, {"message", text}});
            for (;;) {
                auto frame = live.readType("MESSAGE");
                if (!frame) {
                    state.SkipWithError("the agent heard nothing");
                    return;
                }
                if ((*frame)["message"]["message"] == text) break;
            }
            samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
            // The customer's own answer and echo, read so that they do not pile up.
            chat.readType("RECEIVED_MESSAGE_RESPONSE");
        }
    }
    std::sort(samples.begin(), samples.end());
    state.counters["p50_ms"] = samples[samples.size() / 2];
    state.counters["p99_ms"] = samples[samples.size() * 99 / 100];
    state.SetLabel(postgres ? "customer on desk A, agent on desk B, one PostgreSQL" : "one desk on SQLite");
}

BENCHMARK(BM_MessagesPerSecond)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_CustomerToAgentAcrossDesks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace velmaro::deskserver

BENCHMARK_MAIN();
