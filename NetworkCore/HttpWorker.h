#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmaro::network {

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::vector<std::string> headers;  // "Name: value"
    std::string body;                  // sent as application/json when not empty
};

struct HttpResponse {
    long status = 0;        // 0: no answer (see transportError)
    std::string body;
    std::string transportError;
};

// Every request of a network core: one thread running one libcurl multi handle. Each request has
// a connect timeout and a total timeout. Completions run on the worker thread; requests may be
// started from any thread, the worker's own included. Destruction drops what is unfinished,
// without calling it.
class HttpWorker {
public:
    HttpWorker(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds totalTimeout);
    ~HttpWorker();
    HttpWorker(const HttpWorker&) = delete;
    HttpWorker& operator=(const HttpWorker&) = delete;

    // Drops what is unfinished and ends the thread; later requests are dropped. Not from a
    // completion.
    void stop();

    // Starts the request after `delay` (retries wait a little).
    void perform(HttpRequest request, std::function<void(HttpResponse)> completion,
                 std::chrono::milliseconds delay = std::chrono::milliseconds(0));

private:
    struct Transfer;
    struct Queued {
        HttpRequest request;
        std::function<void(HttpResponse)> completion;
        std::chrono::steady_clock::time_point due;
    };
    void run();
    void begin(Queued queued);

    const std::chrono::milliseconds connectTimeout_, totalTimeout_;
    void* multi_ = nullptr;  // CURLM*
    std::mutex mutex_;
    std::vector<Queued> queued_;
    bool stopping_ = false;
    std::vector<std::unique_ptr<Transfer>> active_;  // worker thread only
    std::thread thread_;
};

}  // namespace velmaro::network
