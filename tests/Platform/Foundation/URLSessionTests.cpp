#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "Foundation/URLSession.h"
#include "support/Platform/LoopbackHTTPServer.h"

namespace {

struct Outcome {
    std::optional<Data> data;
    std::optional<HTTPURLResponse> response;
    std::optional<URLError> error;
    std::thread::id thread;

    std::string body() const { return data ? std::string(data->begin(), data->end()) : std::string("<none>"); }
    std::optional<URLError::Code> code() const {
        return error ? std::optional(error->code()) : std::nullopt;
    }
};

URL url(const std::string& text) {
    auto parsed = URL::fromString(text);
    if (!parsed) throw std::runtime_error("bad test URL " + text);
    return *parsed;
}

// Starts a load and answers a future for its outcome; the completion also counts its calls.
std::future<Outcome> start(URLSession& session, const URL& address, std::atomic<int>* calls = nullptr,
                           std::shared_ptr<URLSessionDataTask>* keep = nullptr) {
    auto promise = std::make_shared<std::promise<Outcome>>();
    auto future = promise->get_future();
    auto task = session.dataTask(address, [promise, calls](std::optional<Data> data,
                                                           std::optional<HTTPURLResponse> response,
                                                           std::optional<URLError> error) {
        if (calls != nullptr && (*calls)++ > 0) return;
        promise->set_value(Outcome{std::move(data), std::move(response), std::move(error), std::this_thread::get_id()});
    });
    task->resume();
    if (keep != nullptr) *keep = task;
    return future;
}

Outcome load(URLSession& session, const URL& address) {
    auto future = start(session, address);
    if (future.wait_for(std::chrono::seconds(20)) != std::future_status::ready) throw std::runtime_error("load hung");
    return future.get();
}

TEST(URLSessionTest, SuccessGivesBodyStatusAndHeadersOnABackgroundThread) {
    LoopbackHTTPServer server;
    server.respond("/hello", LoopbackHTTPServer::Response{200, {{"Content-Type", "text/plain"}, {"X-Trace", "7"}}, "hi there"});
    URLSession session;
    const auto outcome = load(session, url(server.url("/hello?x=1")));
    ASSERT_FALSE(outcome.error) << outcome.error->failureReason();
    EXPECT_EQ(outcome.body(), "hi there");
    ASSERT_TRUE(outcome.response);
    EXPECT_EQ(outcome.response->statusCode(), 200);
    EXPECT_EQ(outcome.response->value("x-trace"), "7");
    EXPECT_EQ(outcome.response->expectedContentLength(), 8);
    EXPECT_EQ(outcome.response->url().absoluteString(), server.url("/hello?x=1"));
    EXPECT_NE(outcome.thread, std::this_thread::get_id());
    EXPECT_EQ(server.requestCount("/hello"), 1u);
}

TEST(URLSessionTest, NotFoundIsAResponseNotAnError) {
    LoopbackHTTPServer server;
    URLSession session;
    const auto outcome = load(session, url(server.url("/missing")));
    EXPECT_FALSE(outcome.error);
    ASSERT_TRUE(outcome.response);
    EXPECT_EQ(outcome.response->statusCode(), 404);
    EXPECT_EQ(outcome.body(), "not found");
}

TEST(URLSessionTest, RefusedConnectionIsAnError) {
    int port;
    {
        LoopbackHTTPServer closed;
        port = closed.port();
    }
    URLSession session;
    const auto outcome = load(session, url("http://127.0.0.1:" + std::to_string(port) + "/x"));
    EXPECT_EQ(outcome.code(), URLError::Code::cannotConnectToHost);
    EXPECT_EQ(outcome.error->localizedDescription(), "Could not connect to the server.");
    EXPECT_FALSE(outcome.data);
    EXPECT_FALSE(outcome.response);
}

TEST(URLSessionTest, SlowServerTimesOut) {
    LoopbackHTTPServer server;
    server.respond("/slow", LoopbackHTTPServer::Response{200, {}, "late", std::chrono::milliseconds(10000)});
    URLSession session(URLSession::Configuration{0.3, 0});
    const auto outcome = load(session, url(server.url("/slow")));
    EXPECT_EQ(outcome.code(), URLError::Code::timedOut);
    EXPECT_EQ(outcome.error->localizedDescription(), "The request timed out.");
    EXPECT_FALSE(outcome.data);
}

TEST(URLSessionTest, BodyOverTheSizeLimitIsAnErrorWithOrWithoutContentLength) {
    LoopbackHTTPServer server;
    server.respond("/big", std::string(5000, 'x'));
    server.respond("/stream", LoopbackHTTPServer::Response{200, {}, std::string(5000, 'y'), {}, false});
    server.respond("/fits", std::string(1000, 'z'));
    URLSession session(URLSession::Configuration{10.0, 1000});
    EXPECT_EQ(load(session, url(server.url("/big"))).code(), URLError::Code::dataLengthExceedsMaximum);
    const auto streamed = load(session, url(server.url("/stream")));
    EXPECT_EQ(streamed.code(), URLError::Code::dataLengthExceedsMaximum);
    EXPECT_EQ(streamed.error->localizedDescription(), "The resource exceeds the maximum size.");
    EXPECT_EQ(load(session, url(server.url("/fits"))).body(), std::string(1000, 'z'));
}

TEST(URLSessionTest, ManyTasksAtOnceEachGetTheirOwnBody) {
    LoopbackHTTPServer server;
    constexpr int count = 40;
    for (int i = 0; i < count; ++i)
        server.respond("/item" + std::to_string(i),
                       LoopbackHTTPServer::Response{200, {}, "body" + std::to_string(i), std::chrono::milliseconds(i % 5 * 20)});
    URLSession session;
    std::vector<std::future<Outcome>> futures;
    for (int i = 0; i < count; ++i) futures.push_back(start(session, url(server.url("/item" + std::to_string(i)))));
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(futures[i].wait_for(std::chrono::seconds(20)), std::future_status::ready);
        EXPECT_EQ(futures[i].get().body(), "body" + std::to_string(i));
        EXPECT_EQ(server.requestCount("/item" + std::to_string(i)), 1u);
    }
}

TEST(URLSessionTest, FileURLsLoadAndAMissingFileIsAnError) {
    const auto path = std::filesystem::temp_directory_path() / ("velmaro-url-" + std::to_string(::getpid()) + ".bin");
    std::ofstream(path, std::ios::binary) << std::string("\x89PNG\0data", 9);
    URLSession session;
    const auto outcome = load(session, URL::fileURLWithPath(path.string()));
    std::filesystem::remove(path);
    ASSERT_FALSE(outcome.error) << outcome.error->failureReason();
    EXPECT_EQ(outcome.body(), std::string("\x89PNG\0data", 9));
    EXPECT_EQ(outcome.response->statusCode(), 200);
    EXPECT_EQ(load(session, URL::fileURLWithPath(path.string())).code(), URLError::Code::fileDoesNotExist);
}

TEST(URLSessionTest, OtherSchemesAndRedirectsToFilesAreRefused) {
    URLSession session;
    EXPECT_EQ(load(session, url("ftp://127.0.0.1/x")).code(), URLError::Code::unsupportedURL);

    LoopbackHTTPServer server;
    server.respond("/moved", LoopbackHTTPServer::Response{302, {{"Location", "/target"}}, ""});
    server.respond("/target", "arrived");
    server.respond("/sneaky", LoopbackHTTPServer::Response{302, {{"Location", "file:///etc/hostname"}}, ""});
    const auto redirected = load(session, url(server.url("/moved")));
    EXPECT_EQ(redirected.body(), "arrived");
    EXPECT_EQ(redirected.response->url().absoluteString(), server.url("/moved"));
    const auto sneaky = load(session, url(server.url("/sneaky")));
    EXPECT_TRUE(sneaky.error);
    EXPECT_FALSE(sneaky.data);
}

TEST(URLSessionTest, CancelledOrAbandonedTasksCompleteOnceWithCancelled) {
    LoopbackHTTPServer server;
    server.respond("/slow", LoopbackHTTPServer::Response{200, {}, "late", std::chrono::milliseconds(10000)});
    std::atomic<int> calls{0};
    std::future<Outcome> cancelled;
    std::future<Outcome> abandoned;
    {
        URLSession session;
        std::shared_ptr<URLSessionDataTask> task;
        cancelled = start(session, url(server.url("/slow")), &calls, &task);
        task->cancel();
        task->cancel();
        abandoned = start(session, url(server.url("/slow")));
    }  // the session goes away with a load still running
    ASSERT_EQ(cancelled.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(cancelled.get().code(), URLError::Code::cancelled);
    ASSERT_EQ(abandoned.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(abandoned.get().code(), URLError::Code::cancelled);
    EXPECT_EQ(calls.load(), 1);
}

TEST(URLSessionTest, SharedSessionLoads) {
    LoopbackHTTPServer server;
    server.respond("/shared", "ok");
    EXPECT_EQ(load(URLSession::shared(), url(server.url("/shared"))).body(), "ok");
}

}  // namespace
