#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class URLSessionDataTask;

// URLSession's transport, internal: one thread running every transfer of a session over one
// libcurl multi handle. Start and cancel are safe from any thread; destruction cancels what is
// unfinished.
class URLSessionWorker {
public:
    URLSessionWorker(double timeoutSeconds, std::size_t maximumResponseSize);
    ~URLSessionWorker();
    URLSessionWorker(const URLSessionWorker&) = delete;
    URLSessionWorker& operator=(const URLSessionWorker&) = delete;

    void start(std::shared_ptr<URLSessionDataTask> task);
    void cancel(std::shared_ptr<URLSessionDataTask> task);

private:
    struct Transfer;
    void run();
    void begin(const std::shared_ptr<URLSessionDataTask>& task);
    void finish(Transfer& transfer, int result);

    const double timeoutSeconds_;
    const std::size_t maximumResponseSize_;
    void* multi_ = nullptr;  // CURLM*, kept out of this header
    std::mutex mutex_;
    std::vector<std::shared_ptr<URLSessionDataTask>> toStart_;
    std::vector<std::shared_ptr<URLSessionDataTask>> toCancel_;
    bool stopping_ = false;
    std::vector<std::unique_ptr<Transfer>> active_;  // worker thread only
    std::thread thread_;
};
