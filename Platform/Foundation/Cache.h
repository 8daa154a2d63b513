#pragma once

#include <cstddef>
#include <functional>
#include <iterator>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

// An in-memory cache with a total cost limit (0: none) and a count limit (0: none). When a store
// makes the total cost or count exceed a limit, the least recently used entries (stored or looked
// up) are evicted first; an entry whose own cost exceeds the limit is not kept, and drops any older
// value under its key. Lookups and stores are O(1) and safe from any thread.
template <class Key, class Value, class Hash = std::hash<Key>, class KeyEqual = std::equal_to<Key>>
class Cache {
public:
    explicit Cache(std::string name = {}, std::size_t totalCostLimit = 0)
        : name_(std::move(name)), totalCostLimit_(totalCostLimit) {}
    Cache(const Cache&) = delete;
    Cache& operator=(const Cache&) = delete;

    std::string name() const {
        std::lock_guard lock(mutex_);
        return name_;
    }
    std::size_t totalCostLimit() const {
        std::lock_guard lock(mutex_);
        return totalCostLimit_;
    }
    void setTotalCostLimit(std::size_t limit) {
        List dropped;
        std::lock_guard lock(mutex_);
        totalCostLimit_ = limit;
        evictLocked(dropped);
    }
    std::size_t countLimit() const {
        std::lock_guard lock(mutex_);
        return countLimit_;
    }
    void setCountLimit(std::size_t limit) {
        List dropped;
        std::lock_guard lock(mutex_);
        countLimit_ = limit;
        evictLocked(dropped);
    }

    // A copy of the stored value, which becomes the most recently used.
    std::optional<Value> object(const Key& key) {
        std::lock_guard lock(mutex_);
        auto found = index_.find(key);
        if (found == index_.end()) return std::nullopt;
        entries_.splice(entries_.begin(), entries_, found->second);
        return found->second->value;
    }

    void setObject(Value value, const Key& key, std::size_t cost = 0) {
        List dropped;
        std::lock_guard lock(mutex_);
        removeLocked(key, dropped);
        if (totalCostLimit_ != 0 && cost > totalCostLimit_) return;
        entries_.push_front(Entry{key, std::move(value), cost});
        index_.emplace(key, entries_.begin());
        totalCost_ += cost;
        evictLocked(dropped);
    }

    void removeObject(const Key& key) {
        List dropped;
        std::lock_guard lock(mutex_);
        removeLocked(key, dropped);
    }

    void removeAllObjects() {
        List dropped;
        std::lock_guard lock(mutex_);
        index_.clear();
        dropped.swap(entries_);
        totalCost_ = 0;
    }

    std::size_t totalCost() const {
        std::lock_guard lock(mutex_);
        return totalCost_;
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }

private:
    struct Entry {
        Key key;
        Value value;
        std::size_t cost;
    };
    using List = std::list<Entry>;  // most recently used first

    // Removed entries go to `dropped`, declared before the lock: values are destroyed after the
    // lock is released, so a value's destructor may use the cache.
    void removeLocked(const Key& key, List& dropped) {
        auto found = index_.find(key);
        if (found == index_.end()) return;
        totalCost_ -= found->second->cost;
        dropped.splice(dropped.end(), entries_, found->second);
        index_.erase(found);
    }

    void evictLocked(List& dropped) {
        while (!entries_.empty() && ((totalCostLimit_ != 0 && totalCost_ > totalCostLimit_) ||
                                     (countLimit_ != 0 && entries_.size() > countLimit_))) {
            auto oldest = std::prev(entries_.end());
            totalCost_ -= oldest->cost;
            index_.erase(oldest->key);
            dropped.splice(dropped.end(), entries_, oldest);
        }
    }

    mutable std::mutex mutex_;
    std::string name_;
    std::size_t totalCostLimit_ = 0;
    std::size_t countLimit_ = 0;
    std::size_t totalCost_ = 0;
    List entries_;
    std::unordered_map<Key, typename List::iterator, Hash, KeyEqual> index_;
};
