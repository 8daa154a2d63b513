// A chat message's round trip as the chat screen lives it: sendMessage on the main thread, the
// core's echo handed to the main queue and handled there. The network core over loopback to a
// velmaro-desk in this process (SQLite file, write-ahead log), beside the embedded desk with no
// latency. p50 and p99 of every round trip.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CoreSimulator/SupportDesk.h"
#include "Desk/SqliteDeskStore.h"
#include "DeskServer/DeskServer.h"
#include "Dispatch/DispatchQueue.h"
#include "Dispatch/RunLoop.h"
#include "NetworkCore/NetworkCore.h"
#include "Velmaro/CoreInterface/MessageModel.h"

namespace velmaro {
namespace {

using RoundTripClock = std::chrono::steady_clock;

// Hands the customer's echoes to the main queue, as the layer's bridge does.
class EchoToMain : public ChatEventDelegate {
public:
    void connecting() override {}
    void connected() override { isConnected = true; }
    void disconnected() override {}
    void chatErrorReceived(const std::string&) override {}
    void chatMessageReceived(const AnyDictionary& message) override {
        auto record = MessageModel::fromJson(message);
        if (!record || record->senderType != "CUSTOMER") return;
        const double id = record->messageId;
        DispatchQueue::main().async([this, id] { handled = id; });
    }
    std::atomic<bool> isConnected{false};
    double handled = -1;  // main thread only
};

void roundTrips(benchmark::State& state, CoreLibrary& core, const std::string& tenant, const std::string& user,
                const std::string& conversation) {
    auto echoes = std::make_shared<EchoToMain>();
    core.configureChat(tenant, user, conversation, echoes);
    core.connectChat(std::nullopt);
    RunLoop::main().runUntil([&] { return echoes->isConnected.load(); }, 10.0);
    if (!echoes->isConnected) {
        state.SkipWithError("the chat did not connect");
        return;
    }
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = RoundTripClock::now();
        const double id = core.sendMessage("ping");
        if (!RunLoop::main().runUntil([&] { return echoes->handled == id; }, 5.0)) {
            state.SkipWithError("no echo");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(RoundTripClock::now() - start).count());
    }
    core.disconnectChat();
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) {
        return micros.empty() ? 0.0 : micros[std::min(micros.size() - 1, static_cast<std::size_t>(q * micros.size()))];
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
}

template <class T>
std::optional<T> await(std::function<void(ServiceCompletion<T>)> call) {
    std::optional<T> result;
    bool done = false;
    call([&](std::optional<T> value, std::optional<ServiceError>) {
        DispatchQueue::main().async([&, value] {
            result = value;
            done = true;
        });
    });
    RunLoop::main().runUntil([&] { return done; }, 10.0);
    return result;
}

void BM_ChatRoundTripNetworkCoreOnLoopback(benchmark::State& state) {
    RunLoop::makeMain();
    const auto folder = std::filesystem::temp_directory_path() / ("velmaro-roundtrip-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    {
        deskserver::TenantFile tenant = deskserver::TenantFile::standard();
        deskserver::DeskServer::Options options;
        options.port = 0;
        deskserver::DeskServer server(std::make_unique<desk::SqliteDeskStore>((folder / "desk.db").string()), tenant,
                                      options);
        std::thread serving([&] { server.run(); });
        {
            NetworkCore::Options coreOptions;
            coreOptions.deskUrl = "http://127.0.0.1:" + std::to_string(server.port());
            NetworkCore core(coreOptions);
            auto user = await<UserModel>([&](auto done) { core.createEndUser(StringDictionary{{"userName", "bench"}}, done); });
            auto conversation = await<ConversationModel>(
                [&](auto done) { core.createConversation(StringDictionary{{"description", "Round trips"}}, done); });
            if (user && conversation) roundTrips(state, core, tenant.tenant.id, user->id, conversation->id);
            else state.SkipWithError("the desk did not answer");
        }
        server.stop();
        serving.join();
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ChatRoundTripNetworkCoreOnLoopback)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ChatRoundTripEmbeddedDesk(benchmark::State& state) {
    RunLoop::makeMain();
    Config tenant;
    tenant.tenantId = "acme";
    SupportDesk::Options options;
    options.latency = 0;
    options.agentReplyDelay = 3600;  // the agent stays quiet: only the echo is measured
    SupportDesk desk(tenant, options);
    auto user = await<UserModel>([&](auto done) { desk.createEndUser(StringDictionary{{"userName", "bench"}}, done); });
    auto conversation = await<ConversationModel>(
        [&](auto done) { desk.createConversation(StringDictionary{{"description", "Round trips"}}, done); });
    if (user && conversation) roundTrips(state, desk, "acme", user->id, conversation->id);
    else state.SkipWithError("the desk did not answer");
}
BENCHMARK(BM_ChatRoundTripEmbeddedDesk)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace velmaro
