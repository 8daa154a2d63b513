#pragma once

#include <functional>

// Serial main queue (tasks run on the main run loop) or the concurrent global queue (a small pool
// of background threads). Submitting to either is safe from any thread.
class DispatchQueue {
public:
    using Task = std::function<void()>;

    static DispatchQueue& main();
    static DispatchQueue& global();

    void async(Task task);
    // Main queue: runs after the run loop's clock has passed the delay. Global queue: after the
    // delay in real time.
    void asyncAfter(double seconds, Task task);


private:
    enum class Kind { Main, Global };
    explicit DispatchQueue(Kind kind) : kind_(kind) {}
    Kind kind_;
};
