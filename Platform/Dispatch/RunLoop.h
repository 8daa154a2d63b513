#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <thread>
#include <vector>

#include "Dispatch/Clock.h"

// The main run loop: the thread that creates it is the main thread. It runs main-queue tasks,
// immediate ones in submission order and delayed ones in order of due time (ties in submission
// order). Submitting is safe from any thread; running happens on the main thread only.
class RunLoop {
public:
    using Task = std::function<void()>;

    // The current main run loop, created on first use with the system clock by the calling thread.
    static RunLoop& main();
    // The same loop as a shared pointer; what other threads hold while they submit.
    static std::shared_ptr<RunLoop> mainShared();
    // Replaces the main run loop with a fresh one owned by the calling thread (a host's start-up,
    // or each test). Pending tasks of the previous loop are dropped.
    static RunLoop& makeMain(std::shared_ptr<Clock> clock = nullptr);
    // True on the thread of the current main run loop.
    static bool isMainThread();

    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    void submit(Task task, double delaySeconds = 0.0);
    // Called after every submit, on the submitting thread, outside the loop's lock: how a loop
    // that waits on something else (a window's events) learns of new work. Null: none.
    void setSubmitHook(std::function<void()> hook);

    // Runs every task that is due now, including tasks those tasks queue. Returns how many ran.
    std::size_t runUntilIdle();
    // Runs tasks for the given time. With a manual clock the clock is advanced task by task to the
    // end of the interval; with the system clock the loop waits for real.
    std::size_t runFor(double seconds);
    // Runs tasks until the predicate holds (checked after each task and on every wake-up) or the
    // timeout, in real seconds, passes; for work that arrives from other threads.
    bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds);
    // Runs until stop() for the host's lifetime.
    void run();
    void stop();

    Clock& clock() { return *clock_; }
    // Number of tasks waiting, due or not.
    std::size_t pendingCount() const;
    // Due time (clock nanoseconds) of the earliest pending task, if any.
    std::optional<std::int64_t> nextDueTime() const;
    std::thread::id thread() const { return thread_; }

private:
    explicit RunLoop(std::shared_ptr<Clock> clock);
    struct Entry {
        std::int64_t due;  // clock nanoseconds
        std::uint64_t sequence;
        Task task;
    };
    struct Later {
        bool operator()(const Entry& a, const Entry& b) const {
            return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
        }
    };
    // Pops and runs one due task; false when none is due.
    bool runOne();
    void requireMainThread(const char* operation) const;

    std::shared_ptr<Clock> clock_;
    std::thread::id thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::priority_queue<Entry, std::vector<Entry>, Later> tasks_;
    std::uint64_t nextSequence_ = 0;
    bool stopped_ = false;
    std::shared_ptr<const std::function<void()>> submitHook_;  // guarded by mutex_
};
