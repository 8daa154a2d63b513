#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace velmaro {

// The support desk's own thread: runs tasks after a real-time delay, in order of due time and,
// for equal due times, in submission order. Destroying it drops the tasks not yet started and
// waits for the running one (unless it is destroyed from that very task).
class SimulatorWorker {
public:
    using Task = std::function<void()>;

    SimulatorWorker();
    ~SimulatorWorker();
    SimulatorWorker(const SimulatorWorker&) = delete;
    SimulatorWorker& operator=(const SimulatorWorker&) = delete;

    void post(double delaySeconds, Task task);
    bool isWorkerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Entry {
        TimePoint due;
        std::uint64_t sequence;
        Task task;
    };
    struct Later {
        bool operator()(const Entry& a, const Entry& b) const {
            return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
        }
    };
    // Shared with the thread, so that a worker destroyed from its own task leaves the thread
    // something valid to finish with.
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::priority_queue<Entry, std::vector<Entry>, Later> tasks;
        std::uint64_t nextSequence = 0;
        bool stopped = false;
    };

    static void run(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace velmaro
