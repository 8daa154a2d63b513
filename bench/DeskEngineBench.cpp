// The desk engine's own cost per message: checked, given its offset, committed to SQLite (a file
// in write-ahead-log mode, as velmaro-desk runs) and told to the listener, with 1,000
// conversations open and the messages spread over them. This is the floor under the server's
// messages per second; the rest is HTTP and WebSocket.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Desk/DeskEngine.h"
#include "Desk/SqliteDeskStore.h"

namespace {

using namespace velmaro::desk;

void BM_DeskEngineMessageCommittedAndTold(benchmark::State& state) {
    const auto conversations = static_cast<int>(state.range(0));
    const bool inMemory = state.range(1) != 0;
    const auto folder = std::filesystem::temp_directory_path() / ("desk-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = inMemory ? ":memory:" : (folder / "desk.db").string();
    {
        std::size_t told = 0;
        DeskEngine::Options options;
        options.listener = [&](const DeskEngine::Event&) { ++told; };
        DeskEngine engine(std::make_unique<SqliteDeskStore>(path), options);
        engine.putTenant({"acme", "Acme", "", "#48DFB2", false});
        std::vector<std::pair<std::string, std::string>> chats;  // user, conversation
        for (int i = 0; i < conversations; ++i) {
            auto user = engine.registerUser("acme", "user" + std::to_string(i), "", "");
            chats.emplace_back(user.user.id, engine.createConversation(user.user.id, "Help").id);
        }
        std::size_t i = 0;
        for (auto _ : state) {
            const auto& [user, conversation] = chats[i];
            benchmark::DoNotOptimize(engine.customerSays(user, conversation, "Where is my parcel?"));
            i = (i + 1) % chats.size();
        }
        state.SetItemsProcessed(state.iterations());
        state.counters["told"] = static_cast<double>(told);
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DeskEngineMessageCommittedAndTold)->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMicrosecond);

}  // namespace
