#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "Foundation/Any.h"
#include "Foundation/HTTPURLResponse.h"
#include "Foundation/URL.h"
#include "Foundation/URLError.h"

class URLSessionWorker;

// One load of a URL, made by URLSession::dataTask and started by resume(). The completion runs
// exactly once, on a background thread: with the body and response (whatever the status code),
// or with an error.
class URLSessionDataTask : public std::enable_shared_from_this<URLSessionDataTask> {
public:
    using CompletionHandler =
        std::function<void(std::optional<Data>, std::optional<HTTPURLResponse>, std::optional<URLError>)>;
    enum class State { suspended, running, completed };

    URLSessionDataTask(std::weak_ptr<URLSessionWorker> worker, URL url, CompletionHandler completion,
                       std::uint64_t identifier);
    URLSessionDataTask(const URLSessionDataTask&) = delete;
    URLSessionDataTask& operator=(const URLSessionDataTask&) = delete;

    // Starts the load; later calls do nothing.
    void resume();
    // Ends the load with a `cancelled` error unless it has completed already.
    void cancel();

    State state() const;
    const URL& url() const { return url_; }

private:
    friend class URLSessionWorker;
    // Hands the outcome to the completion on the global queue; false when already completed.
    bool complete(std::optional<Data> data, std::optional<HTTPURLResponse> response, std::optional<URLError> error);
    // Moves a suspended task to running; false when it has completed meanwhile.
    bool markRunning();

    std::weak_ptr<URLSessionWorker> worker_;
    const URL url_;
    const std::uint64_t identifier_;
    mutable std::mutex mutex_;
    State state_ = State::suspended;
    bool resumed_ = false;
    CompletionHandler completion_;
};
