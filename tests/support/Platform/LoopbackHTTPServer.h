#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A small HTTP/1.1 server for tests, on 127.0.0.1 and an ephemeral port only. It answers each
// path (query ignored) with its canned response, 404 for the rest, closes every connection after
// one response, counts requests per path, and stops on destruction, on stop(), or by itself after
// `lifetime` so a forgotten server cannot outlive its test run.
class LoopbackHTTPServer {
public:
    struct Response {
        int status = 200;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        // Time before the response is sent (the server keeps serving others meanwhile).
        std::chrono::milliseconds delay{0};
        // Without Content-Length the body simply runs until the connection closes.
        bool sendContentLength = true;
    };

    explicit LoopbackHTTPServer(std::chrono::seconds lifetime = std::chrono::seconds(60));
    ~LoopbackHTTPServer();
    LoopbackHTTPServer(const LoopbackHTTPServer&) = delete;
    LoopbackHTTPServer& operator=(const LoopbackHTTPServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port><path>"; the path starts with '/'.
    std::string url(const std::string& path) const;

    void respond(const std::string& path, Response response);
    // Shorthand for a 200 with a body.
    void respond(const std::string& path, std::string body, std::string contentType = "text/plain");
    std::size_t requestCount(const std::string& path) const;
    // Request headers of the latest request to the path (names lower-cased).
    std::map<std::string, std::string> lastRequestHeaders(const std::string& path) const;

    void stop();

private:
    void serve(std::chrono::steady_clock::time_point end);

    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, Response> responses_;
    std::map<std::string, std::size_t> counts_;
    std::map<std::string, std::map<std::string, std::string>> lastHeaders_;
    std::thread thread_;
};
