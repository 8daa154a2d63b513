#pragma once

// Before Asio: its coroutine header uses std::exchange without including it.
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <string>

namespace velmaro::network {

// One WebSocket to the desk that keeps itself up: it connects, and after a drop or a failed
// attempt connects again after a capped exponential delay with jitter, until stop(). The token
// travels in the upgrade's Authorization header, never in the address. Everything, callbacks
// included, runs on the io_context's one thread; start, send and stop must be called there too.
class LiveLink : public std::enable_shared_from_this<LiveLink> {
public:
    struct Endpoint {
        std::string host, port;
    };
    struct Settings {
        std::chrono::milliseconds connectTimeout{5000};
        // A peer that answers no ping for this long is taken as gone.
        std::chrono::milliseconds idleTimeout{20000};
        std::chrono::milliseconds firstRetryDelay{250};
        std::chrono::milliseconds maximumRetryDelay{15000};
    };
    struct Callbacks {
        std::function<Endpoint()> endpoint;   // asked at every attempt: which desk
        std::function<std::string()> target;  // asked at every attempt, after endpoint: path and query
        std::function<std::string()> token;
        std::function<void()> attempting;
        std::function<void()> opened;
        std::function<void(const std::string& frame)> received;
        // The socket or an attempt failed; a retry is scheduled. deskGone: nothing answered (refused,
        // reset, silent), against a desk that answered the upgrade with an error.
        std::function<void(bool deskGone)> dropped;
        // The desk refused the upgrade for good (a 4xx): no retry follows.
        std::function<void(unsigned status, const std::string& body)> refused;
    };

    LiveLink(boost::asio::io_context& io, Settings settings, Callbacks callbacks);

    void start();
    void send(std::string frame);
    void stop();
    bool isOpen() const { return open_; }
    // A working socket resets the delay: the next drop retries soon again.
    void resetBackoff() { failures_ = 0; }

private:
    using Stream = boost::beast::websocket::stream<boost::beast::tcp_stream>;
    void attempt();
    void fail(unsigned generation, bool deskGone = true);
    void read(unsigned generation);
    void writeNext(unsigned generation);

    boost::asio::io_context& io_;
    const Settings settings_;
    const Callbacks callbacks_;
    boost::asio::ip::tcp::resolver resolver_;
    boost::asio::steady_timer retryTimer_;
    Endpoint endpoint_;  // of the current attempt
    std::unique_ptr<Stream> stream_;
    boost::beast::flat_buffer buffer_;
    boost::beast::websocket::response_type upgrade_;
    std::deque<std::string> outgoing_;
    bool writing_ = false;
    bool open_ = false;
    bool stopped_ = true;
    unsigned generation_ = 0;  // which socket a handler belongs to: stale ones do nothing
    int failures_ = 0;
    std::mt19937 jitter_{std::random_device{}()};
};

}  // namespace velmaro::network
