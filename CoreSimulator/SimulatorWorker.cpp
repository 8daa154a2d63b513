#include "CoreSimulator/SimulatorWorker.h"

namespace velmaro {

SimulatorWorker::SimulatorWorker() : state_(std::make_shared<State>()), thread_(run, state_) {}

SimulatorWorker::~SimulatorWorker() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopped = true;
        state_->tasks = {};
    }
    state_->wake.notify_all();
    if (isWorkerThread())
        thread_.detach();
    else
        thread_.join();
}

void SimulatorWorker::post(double delaySeconds, Task task) {
    auto delay = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(delaySeconds > 0 ? delaySeconds : 0.0));
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopped) return;
        state_->tasks.push(
            {std::chrono::steady_clock::now() + delay, state_->nextSequence++, std::move(task)});
    }
    state_->wake.notify_all();
}

void SimulatorWorker::run(std::shared_ptr<State> state) {
    std::unique_lock lock(state->mutex);
    while (!state->stopped) {
        if (state->tasks.empty()) {
            state->wake.wait(lock);
            continue;
        }
        auto due = state->tasks.top().due;
        if (std::chrono::steady_clock::now() < due) {
            state->wake.wait_until(lock, due);
            continue;
        }
        Task task = std::move(const_cast<Entry&>(state->tasks.top()).task);
        state->tasks.pop();
        lock.unlock();
        task();
        task = nullptr;  // release what the task captured before taking the lock again
        lock.lock();
    }
}

}  // namespace velmaro
