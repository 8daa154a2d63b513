#include "NetworkCore/HttpWorker.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace velmaro::network {

namespace {

void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            std::cerr << "NetworkCore: libcurl could not be initialised\n";
            std::abort();
        }
    });
}

CURLM* multiHandle(void* handle) { return static_cast<CURLM*>(handle); }

// Longest an answer may be: the desk's own answers are far smaller.
constexpr std::size_t kMaximumBody = 16 * 1024 * 1024;

}  // namespace

struct HttpWorker::Transfer {
    std::function<void(HttpResponse)> completion;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    HttpRequest request;
    HttpResponse response;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    ~Transfer() {
        if (easy) curl_easy_cleanup(easy);
        if (headers) curl_slist_free_all(headers);
    }

    static size_t onBody(char* bytes, size_t size, size_t count, void* context) {
        auto& transfer = *static_cast<Transfer*>(context);
        const size_t length = size * count;
        if (transfer.response.body.size() + length > kMaximumBody) return CURL_WRITEFUNC_ERROR;
        transfer.response.body.append(bytes, length);
        return length;
    }
};

HttpWorker::HttpWorker(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds totalTimeout)
    : connectTimeout_(connectTimeout), totalTimeout_(totalTimeout) {
    initialiseCurl();
    multi_ = curl_multi_init();
    if (!multi_) {
        std::cerr << "NetworkCore: libcurl could not create a multi handle\n";
        std::abort();
    }
    thread_ = std::thread([this] { run(); });
}

HttpWorker::~HttpWorker() {
    stop();
    curl_multi_cleanup(multiHandle(multi_));
}

void HttpWorker::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    curl_multi_wakeup(multiHandle(multi_));
    if (!thread_.joinable()) return;
    thread_.join();
    for (auto& transfer : active_) curl_multi_remove_handle(multiHandle(multi_), transfer->easy);
    active_.clear();
    std::lock_guard lock(mutex_);
    queued_.clear();
}

void HttpWorker::perform(HttpRequest request, std::function<void(HttpResponse)> completion,
                         std::chrono::milliseconds delay) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        queued_.push_back({std::move(request), std::move(completion), std::chrono::steady_clock::now() + delay});
    }
    curl_multi_wakeup(multiHandle(multi_));
}

void HttpWorker::begin(Queued queued) {
    auto transfer = std::make_unique<Transfer>();
    transfer->completion = std::move(queued.completion);
    transfer->request = std::move(queued.request);
    transfer->easy = curl_easy_init();
    const HttpRequest& request = transfer->request;
    for (const auto& header : request.headers) transfer->headers = curl_slist_append(transfer->headers, header.c_str());
    if (!request.body.empty())
        transfer->headers = curl_slist_append(transfer->headers, "Content-Type: application/json");
    transfer->headers = curl_slist_append(transfer->headers, "Accept: application/json");
    // A lone request must not wait for curl's "100 Continue" round trip.
    transfer->headers = curl_slist_append(transfer->headers, "Expect:");
    CURL* easy = transfer->easy;
    bool configured = easy && curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str()) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str()) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                                       static_cast<long>(connectTimeout_.count())) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(totalTimeout_.count())) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headers) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_USERAGENT, "Velmaro") == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get()) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->errorBuffer) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get()) == CURLE_OK;
    if (configured && (request.method != "GET" || !request.body.empty()))
        configured = curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(request.body.size())) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, request.body.c_str()) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str()) == CURLE_OK;
    if (!configured || curl_multi_add_handle(multiHandle(multi_), easy) != CURLM_OK) {
        HttpResponse failed;
        failed.transportError = "the request could not be set up";
        if (transfer->completion) transfer->completion(std::move(failed));
        return;
    }
    active_.push_back(std::move(transfer));
}

void HttpWorker::run() {
    for (;;) {
        std::vector<Queued> due;
        auto wait = std::chrono::milliseconds(1000);
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            const auto now = std::chrono::steady_clock::now();
            for (auto it = queued_.begin(); it != queued_.end();) {
                if (it->due <= now) {
                    due.push_back(std::move(*it));
                    it = queued_.erase(it);
                } else {
                    wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(it->due - now));
                    ++it;
                }
            }
        }
        for (auto& queued : due) begin(std::move(queued));

        int running = 0;
        curl_multi_perform(multiHandle(multi_), &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multiHandle(multi_), &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            Transfer* done = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&done));
            const CURLcode result = message->data.result;
            curl_multi_remove_handle(multiHandle(multi_), message->easy_handle);
            auto it = std::find_if(active_.begin(), active_.end(), [&](const auto& t) { return t.get() == done; });
            if (it == active_.end()) continue;
            std::unique_ptr<Transfer> transfer = std::move(*it);
            active_.erase(it);
            if (result == CURLE_OK) {
                curl_easy_getinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &transfer->response.status);
            } else {
                transfer->response.status = 0;
                transfer->response.body.clear();
                transfer->response.transportError =
                    transfer->errorBuffer[0] ? transfer->errorBuffer : curl_easy_strerror(result);
            }
            if (transfer->completion) transfer->completion(std::move(transfer->response));
        }
        curl_multi_poll(multiHandle(multi_), nullptr, 0, static_cast<int>(std::max<long>(wait.count(), 1)), nullptr);
    }
}

}  // namespace velmaro::network
