#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Foundation/Cache.h"

namespace {

using TextCache = Cache<std::string, std::string>;

TEST(CacheTest, StoresLooksUpAndReplacesWithTheNewCost) {
    TextCache cache("images", 100);
    EXPECT_EQ(cache.name(), "images");
    cache.setObject("one", "a", 10);
    EXPECT_EQ(cache.object("a"), "one");
    EXPECT_EQ(cache.object("b"), std::nullopt);
    cache.setObject("uno", "a", 30);
    EXPECT_EQ(cache.object("a"), "uno");
    EXPECT_EQ(cache.totalCost(), 30u);
    EXPECT_EQ(cache.count(), 1u);
    cache.removeObject("a");
    EXPECT_EQ(cache.totalCost(), 0u);
}

TEST(CacheTest, EvictsLeastRecentlyUsedUntilTheCostFits) {
    TextCache cache("c", 100);
    cache.setObject("A", "a", 40);
    cache.setObject("B", "b", 40);
    cache.setObject("C", "c", 10);
    EXPECT_TRUE(cache.object("a"));  // now b is the least recently used
    cache.setObject("D", "d", 40);   // 130 > 100: b goes, 90 fits
    EXPECT_EQ(cache.object("b"), std::nullopt);
    EXPECT_TRUE(cache.object("a"));
    EXPECT_TRUE(cache.object("c"));
    EXPECT_TRUE(cache.object("d"));
    EXPECT_EQ(cache.totalCost(), 90u);

    cache.setObject("E", "e", 60);  // use order is d c a: a then c go, 100 fits
    EXPECT_EQ(cache.count(), 2u);
    EXPECT_EQ(cache.totalCost(), 100u);
    EXPECT_EQ(cache.object("a"), std::nullopt);
    EXPECT_EQ(cache.object("c"), std::nullopt);

    cache.setObject("F", "f", 0);
    cache.setTotalCostLimit(50);  // lowering the limit evicts at once: d, then e
    EXPECT_EQ(cache.totalCost(), 0u);
    EXPECT_EQ(cache.object("f"), "F");
}

TEST(CacheTest, OversizedEntryIsNotKeptAndDropsTheOlderValue) {
    TextCache cache("c", 100);
    cache.setObject("small", "k", 10);
    cache.setObject("other", "o", 10);
    cache.setObject("huge", "k", 101);
    EXPECT_EQ(cache.object("k"), std::nullopt);  // not the stale "small" either
    EXPECT_EQ(cache.object("o"), "other");       // and nothing else was evicted for it
    EXPECT_EQ(cache.totalCost(), 10u);
}

TEST(CacheTest, NoLimitKeepsEverythingAndCountLimitEvictsByUse) {
    TextCache cache;
    for (int i = 0; i < 100; ++i) cache.setObject("v", std::to_string(i), 1000000);
    EXPECT_EQ(cache.count(), 100u);
    cache.setCountLimit(2);
    EXPECT_EQ(cache.count(), 2u);
    EXPECT_TRUE(cache.object("98"));
    EXPECT_TRUE(cache.object("99"));
}

TEST(CacheTest, EvictedValueMayUseTheCacheWhenDestroyed) {
    struct Probe {
        Cache<int, std::shared_ptr<Probe>>* cache;
        ~Probe() { (void)cache->count(); }  // would deadlock if destroyed under the cache's lock
    };
    Cache<int, std::shared_ptr<Probe>> cache("probes", 1);
    cache.setObject(std::make_shared<Probe>(Probe{&cache}), 1, 1);
    cache.setObject(nullptr, 2, 1);
    EXPECT_EQ(cache.count(), 1u);
}

TEST(CacheTest, ConcurrentLookupsAndStoresKeepTheBooksStraight) {
    Cache<int, std::shared_ptr<const std::string>> cache("shared", 500);
    std::vector<std::thread> threads;
    std::atomic<int> wrongValues{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                const int key = (i * 7 + t) % 64;
                if (auto hit = cache.object(key)) {
                    if (**hit != std::to_string(key)) wrongValues++;
                } else {
                    cache.setObject(std::make_shared<const std::string>(std::to_string(key)), key, 10 + key % 5);
                }
                if (i % 500 == 0) cache.removeObject(key);
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrongValues.load(), 0);
    EXPECT_LE(cache.totalCost(), 500u);
    std::size_t recount = 0;
    for (int key = 0; key < 64; ++key)
        if (cache.object(key)) recount += 10 + key % 5;
    EXPECT_EQ(recount, cache.totalCost());
}

}  // namespace
