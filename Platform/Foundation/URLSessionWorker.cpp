#include "Foundation/URLSessionWorker.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "Foundation/URLSessionDataTask.h"

namespace {

void initialiseCurlOnce() {
    // curl_global_init is not thread-safe on its own; every session goes through here first.
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            std::cerr << "URLSession: libcurl could not be initialised\n";
            std::abort();
        }
    });
}

CURLM* multiOf(void* handle) { return static_cast<CURLM*>(handle); }

std::string trimmed(std::string text) {
    const auto isBlank = [](unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.back()))) text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && isBlank(static_cast<unsigned char>(text[start]))) ++start;
    return text.substr(start);
}

std::string lowercase(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

URLError::Code codeFor(CURLcode result) {
    switch (result) {
    case CURLE_OPERATION_TIMEDOUT: return URLError::Code::timedOut;
    case CURLE_COULDNT_CONNECT: return URLError::Code::cannotConnectToHost;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return URLError::Code::cannotFindHost;
    case CURLE_UNSUPPORTED_PROTOCOL: return URLError::Code::unsupportedURL;
    case CURLE_URL_MALFORMAT: return URLError::Code::badURL;
    case CURLE_FILESIZE_EXCEEDED: return URLError::Code::dataLengthExceedsMaximum;
    case CURLE_FILE_COULDNT_READ_FILE: return URLError::Code::fileDoesNotExist;
    case CURLE_REMOTE_ACCESS_DENIED: return URLError::Code::noPermissionsToReadFile;
    case CURLE_TOO_MANY_REDIRECTS: return URLError::Code::httpTooManyRedirects;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE: return URLError::Code::secureConnectionFailed;
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE: return URLError::Code::networkConnectionLost;
    default: return URLError::Code::unknown;
    }
}

}  // namespace

struct URLSessionWorker::Transfer {
    std::shared_ptr<URLSessionDataTask> task;
    CURL* easy = nullptr;
    std::string url;
    Data body;
    HTTPURLResponse::HeaderFields headers;
    std::size_t limit = 0;
    bool tooLarge = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    ~Transfer() {
        if (easy != nullptr) curl_easy_cleanup(easy);
    }

    static size_t onBody(char* bytes, size_t size, size_t count, void* context) {
        auto& transfer = *static_cast<Transfer*>(context);
        const size_t length = size * count;
        if (transfer.limit != 0 && transfer.body.size() + length > transfer.limit) {
            transfer.tooLarge = true;
            return CURL_WRITEFUNC_ERROR;
        }
        transfer.body.insert(transfer.body.end(), bytes, bytes + length);
        return length;
    }

    static size_t onHeader(char* bytes, size_t size, size_t count, void* context) {
        auto& transfer = *static_cast<Transfer*>(context);
        const size_t length = size * count;
        const std::string line(bytes, length);
        // Each status line starts a new response (after a redirect or an interim 100): only the
        // final response's fields are reported.
        if (line.rfind("HTTP/", 0) == 0) {
            transfer.headers.clear();
        } else if (auto colon = line.find(':'); colon != std::string::npos && colon > 0) {
            transfer.headers.emplace_back(trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
        }
        return length;
    }
};

URLSessionWorker::URLSessionWorker(double timeoutSeconds, std::size_t maximumResponseSize)
    : timeoutSeconds_(timeoutSeconds), maximumResponseSize_(maximumResponseSize) {
    initialiseCurlOnce();
    multi_ = curl_multi_init();
    if (multi_ == nullptr) {
        std::cerr << "URLSession: libcurl could not create a multi handle\n";
        std::abort();
    }
    thread_ = std::thread([this] { run(); });
}

URLSessionWorker::~URLSessionWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    curl_multi_wakeup(multiOf(multi_));
    thread_.join();
    curl_multi_cleanup(multiOf(multi_));
}

void URLSessionWorker::start(std::shared_ptr<URLSessionDataTask> task) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            toStart_.push_back(std::move(task));
            task = nullptr;
        }
    }
    if (task) {
        task->complete(std::nullopt, std::nullopt,
                       URLError(URLError::Code::cancelled, task->url().absoluteString(), "session is gone"));
        return;
    }
    curl_multi_wakeup(multiOf(multi_));
}

void URLSessionWorker::cancel(std::shared_ptr<URLSessionDataTask> task) {
    {
        std::lock_guard lock(mutex_);
        toCancel_.push_back(std::move(task));
    }
    curl_multi_wakeup(multiOf(multi_));
}

void URLSessionWorker::begin(const std::shared_ptr<URLSessionDataTask>& task) {
    if (!task->markRunning()) return;  // cancelled before it started
    const std::string url = task->url().absoluteString();
    const std::string scheme = lowercase(task->url().scheme().value_or(""));
    if (scheme != "http" && scheme != "https" && scheme != "file") {
        task->complete(std::nullopt, std::nullopt, URLError(URLError::Code::unsupportedURL, url));
        return;
    }
    auto transfer = std::make_unique<Transfer>();
    transfer->task = task;
    transfer->url = url;
    transfer->limit = maximumResponseSize_;
    transfer->easy = curl_easy_init();
    CURL* easy = transfer->easy;
    const long timeoutMs = static_cast<long>(std::ceil(timeoutSeconds_ * 1000.0));
    bool configured = easy != nullptr && curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,file") == CURLE_OK &&
                      // A server must never redirect a load to a local file.
                      curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeoutMs) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "") == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_USERAGENT, "Velmaro") == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get()) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Transfer::onHeader) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer.get()) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->errorBuffer) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get()) == CURLE_OK;
    if (configured && maximumResponseSize_ != 0)
        configured = curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                                      static_cast<curl_off_t>(maximumResponseSize_)) == CURLE_OK;
    if (!configured || curl_multi_add_handle(multiOf(multi_), easy) != CURLM_OK) {
        task->complete(std::nullopt, std::nullopt,
                       URLError(URLError::Code::unknown, url, "the transfer could not be set up"));
        return;
    }
    active_.push_back(std::move(transfer));
}

void URLSessionWorker::finish(Transfer& transfer, int resultCode) {
    const auto result = static_cast<CURLcode>(resultCode);
    auto& task = *transfer.task;
    if (result == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
        auto headers = std::move(transfer.headers);
        if (task.url().isFileURL()) {
            status = 200;
            headers = {{"Content-Length", std::to_string(transfer.body.size())}};
        }
        HTTPURLResponse response(task.url(), static_cast<int>(status), std::move(headers));
        task.complete(std::move(transfer.body), std::move(response), std::nullopt);
        return;
    }
    const URLError::Code code =
        transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED ? URLError::Code::dataLengthExceedsMaximum : codeFor(result);
    std::string detail = transfer.errorBuffer[0] != '\0' ? transfer.errorBuffer : curl_easy_strerror(result);
    task.complete(std::nullopt, std::nullopt, URLError(code, transfer.url, std::move(detail)));
}

void URLSessionWorker::run() {
    CURLM* multi = multiOf(multi_);
    const auto removeTransfer = [&](std::vector<std::unique_ptr<Transfer>>::iterator it) {
        curl_multi_remove_handle(multi, (*it)->easy);
        return active_.erase(it);
    };
    for (;;) {
        std::vector<std::shared_ptr<URLSessionDataTask>> starting, cancelling;
        bool stopping;
        {
            std::lock_guard lock(mutex_);
            starting.swap(toStart_);
            cancelling.swap(toCancel_);
            stopping = stopping_;
        }
        if (stopping) {
            for (auto& task : starting)
                task->complete(std::nullopt, std::nullopt, URLError(URLError::Code::cancelled, task->url().absoluteString()));
            for (auto it = active_.begin(); it != active_.end();) {
                (*it)->task->complete(std::nullopt, std::nullopt, URLError(URLError::Code::cancelled, (*it)->url));
                it = removeTransfer(it);
            }
            return;
        }
        for (const auto& task : starting) begin(task);
        for (const auto& task : cancelling) {
            auto it = std::find_if(active_.begin(), active_.end(), [&](const auto& t) { return t->task == task; });
            task->complete(std::nullopt, std::nullopt, URLError(URLError::Code::cancelled, task->url().absoluteString()));
            if (it != active_.end()) removeTransfer(it);
        }

        int running = 0;
        curl_multi_perform(multi, &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg != CURLMSG_DONE) continue;
            auto it = std::find_if(active_.begin(), active_.end(),
                                   [&](const auto& t) { return t->easy == message->easy_handle; });
            if (it == active_.end()) continue;
            const CURLcode result = message->data.result;
            // Taken off the multi handle first: `message` is not valid after that.
            auto transfer = std::move(*it);
            curl_multi_remove_handle(multi, transfer->easy);
            active_.erase(it);
            finish(*transfer, result);
        }
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
}
