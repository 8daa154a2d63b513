#include "NetworkCore/LiveLink.h"

#include <algorithm>

namespace velmaro::network {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;

LiveLink::LiveLink(net::io_context& io, Settings settings, Callbacks callbacks)
    : io_(io),
      settings_(std::move(settings)),
      callbacks_(std::move(callbacks)),
      resolver_(io),
      retryTimer_(io) {}

void LiveLink::start() {
    if (!stopped_) return;
    stopped_ = false;
    failures_ = 0;
    attempt();
}

void LiveLink::stop() {
    if (stopped_) return;
    stopped_ = true;
    ++generation_;
    open_ = false;
    writing_ = false;
    outgoing_.clear();
    retryTimer_.cancel();
    resolver_.cancel();
    if (stream_) {
        beast::error_code ignored;
        // Close without waiting for the peer: the link is no longer wanted.
        beast::get_lowest_layer(*stream_).socket().shutdown(net::ip::tcp::socket::shutdown_both, ignored);
        beast::get_lowest_layer(*stream_).close();
    }
}

void LiveLink::send(std::string frame) {
    if (!open_) return;
    outgoing_.push_back(std::move(frame));
    if (!writing_) writeNext(generation_);
}

void LiveLink::attempt() {
    if (stopped_) return;
    const unsigned generation = ++generation_;
    open_ = false;
    writing_ = false;
    outgoing_.clear();
    buffer_.consume(buffer_.size());
    upgrade_ = {};
    stream_ = std::make_unique<Stream>(io_);
    endpoint_ = callbacks_.endpoint();
    if (callbacks_.attempting) callbacks_.attempting();
    auto self = shared_from_this();
    resolver_.async_resolve(endpoint_.host, endpoint_.port, [this, self, generation](beast::error_code resolveError, auto results) {
        if (generation != generation_) return;
        if (resolveError) return fail(generation);
        beast::get_lowest_layer(*stream_).expires_after(settings_.connectTimeout);
        beast::get_lowest_layer(*stream_).async_connect(results, [this, self, generation](beast::error_code connectError, auto) {
            if (generation != generation_) return;
            if (connectError) return fail(generation);
            beast::get_lowest_layer(*stream_).expires_never();
            websocket::stream_base::timeout timeouts{};
            timeouts.handshake_timeout = settings_.connectTimeout;
            timeouts.idle_timeout = settings_.idleTimeout;
            timeouts.keep_alive_pings = true;
            stream_->set_option(timeouts);
            const std::string token = callbacks_.token ? callbacks_.token() : std::string();
            stream_->set_option(websocket::stream_base::decorator([token](websocket::request_type& request) {
                request.set(http::field::user_agent, "Velmaro");
                if (!token.empty()) request.set(http::field::authorization, "Bearer " + token);
            }));
            const std::string host = endpoint_.host + ":" + endpoint_.port;
            stream_->async_handshake(upgrade_, host, callbacks_.target(), [this, self, generation](beast::error_code ec) {
                if (generation != generation_) return;
                if (ec) {
                    const unsigned status = upgrade_.result_int();
                    if (status >= 400 && status < 500 && callbacks_.refused) {
                        // Asked for something the desk will never give: no retry.
                        stopped_ = true;
                        ++generation_;
                        beast::error_code ignored;
                        beast::get_lowest_layer(*stream_).close();
                        return callbacks_.refused(status, upgrade_.body());
                    }
                    // A desk that answered is there, even if it failed this time.
                    return fail(generation, status < 500);
                }
                open_ = true;
                if (callbacks_.opened) callbacks_.opened();
                read(generation);
            });
        });
    });
}

void LiveLink::read(unsigned generation) {
    auto self = shared_from_this();
    stream_->async_read(buffer_, [this, self, generation](beast::error_code ec, std::size_t) {
        if (generation != generation_) return;
        if (ec) return fail(generation);
        std::string frame = beast::buffers_to_string(buffer_.data());
        buffer_.consume(buffer_.size());
        if (callbacks_.received) callbacks_.received(frame);
        if (generation == generation_) read(generation);
    });
}

void LiveLink::writeNext(unsigned generation) {
    if (outgoing_.empty()) {
        writing_ = false;
        return;
    }
    writing_ = true;
    auto self = shared_from_this();
    stream_->text(true);
    stream_->async_write(net::buffer(outgoing_.front()), [this, self, generation](beast::error_code ec, std::size_t) {
        if (generation != generation_) return;
        if (ec) return fail(generation);
        outgoing_.pop_front();
        writeNext(generation);
    });
}

void LiveLink::fail(unsigned generation, bool deskGone) {
    if (generation != generation_ || stopped_) return;
    ++generation_;
    open_ = false;
    writing_ = false;
    outgoing_.clear();
    if (stream_) {
        beast::error_code ignored;
        beast::get_lowest_layer(*stream_).close();
    }
    if (callbacks_.dropped) callbacks_.dropped(deskGone);
    if (stopped_) return;  // the callback stopped the link
    // Capped exponential delay, jittered over its upper half so that many clients of a desk that
    // comes back do not all return at once.
    const double base = std::min<double>(static_cast<double>(settings_.maximumRetryDelay.count()),
                                         static_cast<double>(settings_.firstRetryDelay.count()) *
                                             static_cast<double>(1u << std::min(failures_, 16)));
    ++failures_;
    const double delay = std::uniform_real_distribution<double>(base / 2, base)(jitter_);
    retryTimer_.expires_after(std::chrono::milliseconds(static_cast<long>(delay)));
    auto self = shared_from_this();
    retryTimer_.async_wait([this, self](beast::error_code ec) {
        if (ec || stopped_) return;
        attempt();
    });
}

}  // namespace velmaro::network
