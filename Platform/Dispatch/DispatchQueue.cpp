#include "Dispatch/DispatchQueue.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

#include "Dispatch/RunLoop.h"

namespace {

// The global queue's worker pool. Lives until process exit, when it drops what has not started
// and joins its threads.
class WorkerPool {
public:
    WorkerPool() {
        unsigned count = std::clamp(std::thread::hardware_concurrency(), 2u, 4u);
        for (unsigned i = 0; i < count; ++i) threads_.emplace_back([this] { work(); });
    }
    ~WorkerPool() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (auto& t : threads_) t.join();
    }

    void submit(DispatchQueue::Task task, double delaySeconds) {
        auto due = Steady::now() + std::chrono::duration_cast<Steady::duration>(
                                       std::chrono::duration<double>(std::max(0.0, delaySeconds)));
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            tasks_.push(Entry{due, sequence_++, std::move(task)});
        }
        wake_.notify_one();
    }

private:
    using Steady = std::chrono::steady_clock;
    struct Entry {
        Steady::time_point due;
        std::uint64_t sequence;
        DispatchQueue::Task task;
    };
    struct Later {
        bool operator()(const Entry& a, const Entry& b) const {
            return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
        }
    };

    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (stopping_) return;
            if (tasks_.empty()) {
                wake_.wait(lock);
                continue;
            }
            // A copy: wait_until reads its deadline again after waking, when a submit may have
            // moved the queue's storage.
            const auto due = tasks_.top().due;
            if (due > Steady::now()) {
                wake_.wait_until(lock, due);
                continue;
            }
            auto task = std::move(const_cast<Entry&>(tasks_.top()).task);
            tasks_.pop();
            if (!tasks_.empty()) wake_.notify_one();
            lock.unlock();
            task();
            task = nullptr;  // release captures before taking the lock again
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::priority_queue<Entry, std::vector<Entry>, Later> tasks_;
    std::uint64_t sequence_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

WorkerPool& pool() {
    static WorkerPool instance;
    return instance;
}

}  // namespace

DispatchQueue& DispatchQueue::main() {
    static DispatchQueue queue(Kind::Main);
    return queue;
}

DispatchQueue& DispatchQueue::global() {
    static DispatchQueue queue(Kind::Global);
    return queue;
}

void DispatchQueue::async(Task task) { asyncAfter(0.0, std::move(task)); }

void DispatchQueue::asyncAfter(double seconds, Task task) {
    if (!task) return;
    if (kind_ == Kind::Main) {
        RunLoop::mainShared()->submit(std::move(task), seconds);
    } else {
        pool().submit(std::move(task), seconds);
    }
}
