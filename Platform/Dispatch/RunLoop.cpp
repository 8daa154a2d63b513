#include "Dispatch/RunLoop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

std::mutex& mainMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<RunLoop>& mainSlot() {
    static std::shared_ptr<RunLoop> loop;
    return loop;
}

}  // namespace

RunLoop::RunLoop(std::shared_ptr<Clock> clock)
    : clock_(clock ? std::move(clock) : std::make_shared<SystemClock>()),
      thread_(std::this_thread::get_id()) {}

RunLoop::~RunLoop() = default;

std::shared_ptr<RunLoop> RunLoop::mainShared() {
    std::lock_guard lock(mainMutex());
    auto& slot = mainSlot();
    if (!slot) slot.reset(new RunLoop(nullptr));
    return slot;
}

RunLoop& RunLoop::main() { return *mainShared(); }

RunLoop& RunLoop::makeMain(std::shared_ptr<Clock> clock) {
    std::shared_ptr<RunLoop> previous;
    std::shared_ptr<RunLoop> fresh(new RunLoop(std::move(clock)));
    {
        std::lock_guard lock(mainMutex());
        previous = std::exchange(mainSlot(), fresh);
    }
    // Dropped tasks may own objects whose destructors submit again; release them unlocked.
    if (previous) {
        std::priority_queue<Entry, std::vector<Entry>, Later> dropped;
        {
            std::lock_guard lock(previous->mutex_);
            dropped.swap(previous->tasks_);
            previous->stopped_ = true;
        }
        previous->wake_.notify_all();
    }
    return *fresh;
}

bool RunLoop::isMainThread() {
    std::lock_guard lock(mainMutex());
    auto& slot = mainSlot();
    return slot && slot->thread_ == std::this_thread::get_id();
}

void RunLoop::requireMainThread(const char* operation) const {
    if (std::this_thread::get_id() != thread_) {
        std::fprintf(stderr, "RunLoop::%s called off the main thread\n", operation);
        std::abort();
    }
}

void RunLoop::submit(Task task, double delaySeconds) {
    if (!task) return;
    if (delaySeconds < 0) delaySeconds = 0;
    std::shared_ptr<const std::function<void()>> hook;
    {
        std::lock_guard lock(mutex_);
        tasks_.push(Entry{clock_->nanoseconds() + toNanoseconds(delaySeconds), nextSequence_++, std::move(task)});
        hook = submitHook_;
    }
    wake_.notify_all();
    if (hook) (*hook)();
}

void RunLoop::setSubmitHook(std::function<void()> hook) {
    auto shared = hook ? std::make_shared<const std::function<void()>>(std::move(hook)) : nullptr;
    std::lock_guard lock(mutex_);
    submitHook_ = std::move(shared);
}

bool RunLoop::runOne() {
    Task task;
    {
        std::lock_guard lock(mutex_);
        if (tasks_.empty() || tasks_.top().due > clock_->nanoseconds()) return false;
        // priority_queue::top is const; the entry is popped right after, so moving out is safe.
        task = std::move(const_cast<Entry&>(tasks_.top()).task);
        tasks_.pop();
    }
    task();
    return true;
}

std::size_t RunLoop::runUntilIdle() {
    requireMainThread("runUntilIdle");
    std::size_t ran = 0;
    while (runOne()) ++ran;
    return ran;
}

std::size_t RunLoop::runFor(double seconds) {
    requireMainThread("runFor");
    std::size_t ran = runUntilIdle();
    const std::int64_t end = clock_->nanoseconds() + toNanoseconds(seconds);
    if (clock_->isManual()) {
        auto& manual = static_cast<ManualClock&>(*clock_);
        for (;;) {
            auto next = nextDueTime();
            if (!next || *next > end) break;
            if (*next > manual.nanoseconds()) manual.setNanoseconds(*next);
            ran += runUntilIdle();
        }
        if (manual.nanoseconds() < end) manual.setNanoseconds(end);
        return ran + runUntilIdle();
    }
    for (;;) {
        ran += runUntilIdle();
        std::int64_t now = clock_->nanoseconds();
        if (now >= end) break;
        std::unique_lock lock(mutex_);
        std::int64_t wakeAt = end;
        if (!tasks_.empty() && tasks_.top().due < wakeAt) wakeAt = tasks_.top().due;
        wake_.wait_for(lock, std::chrono::nanoseconds(wakeAt - now));
    }
    return ran;
}

bool RunLoop::runUntil(const std::function<bool()>& predicate, double timeoutSeconds) {
    requireMainThread("runUntil");
    using Steady = std::chrono::steady_clock;
    const auto deadline = Steady::now() + std::chrono::duration_cast<Steady::duration>(
                                              std::chrono::duration<double>(timeoutSeconds));
    for (;;) {
        while (runOne()) {
            if (predicate()) return true;
        }
        if (predicate()) return true;
        if (Steady::now() >= deadline) return false;
        std::unique_lock lock(mutex_);
        auto wakeAt = deadline;
        if (!tasks_.empty()) {
            std::int64_t wait = tasks_.top().due - clock_->nanoseconds();
            if (wait <= 0) continue;
            // A manual clock never reaches a future due time by itself: only new work wakes us.
            if (!clock_->isManual()) {
                auto due = Steady::now() + std::chrono::nanoseconds(wait);
                if (due < wakeAt) wakeAt = due;
            }
        }
        // Bounded so that a predicate watching state set by another thread is rechecked.
        auto poll = Steady::now() + std::chrono::milliseconds(5);
        if (poll < wakeAt) wakeAt = poll;
        wake_.wait_until(lock, wakeAt);
    }
}

void RunLoop::run() {
    requireMainThread("run");
    {
        std::lock_guard lock(mutex_);
        stopped_ = false;
    }
    for (;;) {
        runUntilIdle();
        std::unique_lock lock(mutex_);
        if (stopped_) return;
        if (tasks_.empty()) {
            wake_.wait(lock);
            continue;
        }
        std::int64_t wait = tasks_.top().due - clock_->nanoseconds();
        if (wait > 0 && !clock_->isManual()) wake_.wait_for(lock, std::chrono::nanoseconds(wait));
        else if (wait > 0) wake_.wait_for(lock, std::chrono::milliseconds(5));
    }
}

void RunLoop::stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    wake_.notify_all();
}

std::size_t RunLoop::pendingCount() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

std::optional<std::int64_t> RunLoop::nextDueTime() const {
    std::lock_guard lock(mutex_);
    if (tasks_.empty()) return std::nullopt;
    return tasks_.top().due;
}
