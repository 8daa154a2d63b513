// Hot paths of the image cache and of notification delivery. Both stay O(1) per lookup and
// O(observers) per post; a regression to a scan of every entry, or to a copy of the whole
// registration list per observer, shows up here as growth with the range argument.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "Foundation/Cache.h"
#include "Foundation/NotificationCenter.h"

namespace {

void BM_CacheHitAmongManyEntries(benchmark::State& state) {
    const auto entries = static_cast<int>(state.range(0));
    Cache<std::string, std::shared_ptr<const std::string>> cache("images", static_cast<std::size_t>(entries) * 10);
    std::vector<std::string> keys;
    for (int i = 0; i < entries; ++i) {
        keys.push_back("https://example.invalid/avatar/" + std::to_string(i) + ".png");
        cache.setObject(std::make_shared<const std::string>("image"), keys.back(), 10);
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cache.object(keys[i]));
        i = (i + 7) % keys.size();
    }
}
BENCHMARK(BM_CacheHitAmongManyEntries)->Arg(16)->Arg(1024)->Arg(65536);

void BM_CacheStoreWithEviction(benchmark::State& state) {
    Cache<int, int> cache("bounded", 1000);
    int key = 0;
    for (auto _ : state) {
        cache.setObject(key, key, 10);
        ++key;
    }
}
BENCHMARK(BM_CacheStoreWithEviction);

void BM_PostToObservers(benchmark::State& state) {
    NotificationCenter center;
    std::vector<NotificationCenter::ObserverToken> tokens;
    int delivered = 0;
    for (int i = 0; i < state.range(0); ++i)
        tokens.push_back(center.addObserver(i % 2 == 0 ? "ReceivedNewVelmaroMessage" : "SavedAuth", nullptr,
                                            [&delivered](const Notification&) { ++delivered; }));
    for (auto _ : state) center.post("ReceivedNewVelmaroMessage");
    benchmark::DoNotOptimize(delivered);
}
BENCHMARK(BM_PostToObservers)->Arg(2)->Arg(64);

}  // namespace
