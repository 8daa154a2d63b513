#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "Foundation/URLSessionDataTask.h"

class URLSessionWorker;

// Loads http, https and file URLs over libcurl, many at once on one transfer thread; completions
// run on the global queue. Each load is bounded by the configuration's timeout and response size,
// which fail with `timedOut` and `dataLengthExceedsMaximum`.
class URLSession {
public:
    struct Configuration {
        double timeoutInterval = 60.0;                   // seconds, for the whole load
        std::size_t maximumResponseSize = 64u << 20;     // bytes of body; 0: no limit
    };

    // The process-wide session; it lives until the process exits.
    static URLSession& shared();

    URLSession();
    explicit URLSession(Configuration configuration);
    // Cancels every unfinished task (their completions get `cancelled`).
    ~URLSession();
    URLSession(const URLSession&) = delete;
    URLSession& operator=(const URLSession&) = delete;

    const Configuration& configuration() const { return configuration_; }

    // A suspended task: nothing is loaded before resume().
    [[nodiscard]] std::shared_ptr<URLSessionDataTask> dataTask(const URL& url,
                                                               URLSessionDataTask::CompletionHandler completion);

private:
    const Configuration configuration_;
    std::shared_ptr<URLSessionWorker> worker_;
    std::atomic<std::uint64_t> nextIdentifier_{1};
};
