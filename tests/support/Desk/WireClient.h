#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "DeskServer/Beast.h"

namespace velmaro::deskserver::wire_client {

using namespace std::chrono_literals;

// Blocking HTTP and WebSocket calls to a desk on loopback, as the tests' own client of the wire.

struct Answer {
    int status = 0;
    json body;
    std::string contentType, authenticate, replayed;
    std::string text, policy, etag, cacheControl, length;
};

inline Answer request(unsigned short port, http::verb method, const std::string& target, const std::string& body = {},
               const std::string& token = {}, const std::string& idempotencyKey = {},
               const std::string& ifNoneMatch = {}) {
    net::io_context ioc;
    beast::tcp_stream stream(ioc);
    stream.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
    http::request<http::string_body> req(method, target, 11);
    req.set(http::field::host, "127.0.0.1");
    if (!token.empty()) req.set(http::field::authorization, "Bearer " + token);
    if (!idempotencyKey.empty()) req.set("Idempotency-Key", idempotencyKey);
    if (!ifNoneMatch.empty()) req.set(http::field::if_none_match, ifNoneMatch);
    if (!body.empty()) {
        req.set(http::field::content_type, "application/json");
        req.body() = body;
    }
    req.prepare_payload();
    beast::error_code ec;
    http::write(stream, req, ec);
    beast::flat_buffer buffer;
    http::response_parser<http::string_body> parser;
    parser.skip(method == http::verb::head);
    http::read(stream, buffer, parser, ec);
    if (ec) return {};
    const auto& res = parser.get();
    Answer answer{static_cast<int>(res.result_int()), json::parse(res.body(), nullptr, false),
                  std::string(res[http::field::content_type]), std::string(res[http::field::www_authenticate]),
                  std::string(res["Idempotency-Replayed"]), res.body(),
                  std::string(res["Content-Security-Policy"]), std::string(res[http::field::etag]),
                  std::string(res[http::field::cache_control]), std::string(res[http::field::content_length])};
    return answer;
}

inline Answer get(unsigned short port, const std::string& target, const std::string& token = {}) {
    return request(port, http::verb::get, target, {}, token);
}
inline Answer post(unsigned short port, const std::string& target, const json& body, const std::string& token = {}) {
    return request(port, http::verb::post, target, body.dump(), token);
}

// The status a WebSocket upgrade is answered with, asked once as plain HTTP.
inline int upgradeStatus(unsigned short port, const std::string& target, const std::string& token = {}) {
    net::io_context ioc;
    beast::tcp_stream stream(ioc);
    beast::error_code ec;
    stream.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
    http::request<http::empty_body> upgrade(http::verb::get, target, 11);
    upgrade.set(http::field::host, "127.0.0.1");
    upgrade.set(http::field::upgrade, "websocket");
    upgrade.set(http::field::connection, "upgrade");
    upgrade.set(http::field::sec_websocket_key, "dGhlIHNhbXBsZSBub25jZQ==");
    upgrade.set(http::field::sec_websocket_version, "13");
    if (!token.empty()) upgrade.set(http::field::authorization, "Bearer " + token);
    http::write(stream, upgrade, ec);
    beast::flat_buffer buffer;
    http::response<http::string_body> refused;
    http::read(stream, buffer, refused, ec);
    return ec ? -1 : static_cast<int>(refused.result_int());
}

// A WebSocket with reads that give up after a while instead of hanging the test.
class Socket {
public:
    // Answers the HTTP status of a refused upgrade, or 101.
    int open(unsigned short port, const std::string& target, const std::string& token = {}) {
        ws_.next_layer().connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
        ws_.set_option(websocket::stream_base::decorator([token](websocket::request_type& req) {
            if (!token.empty()) req.set(http::field::authorization, "Bearer " + token);
        }));
        ws_.read_message_max(1 << 20);
        websocket::response_type res;
        beast::error_code ec;
        ws_.handshake(res, "127.0.0.1", target, ec);
        if (!ec) return static_cast<int>(res.result_int());
        // Refused: ask again as plain HTTP to read the answer's status.
        return upgradeStatus(port, target, token);
    }
    void send(const std::string& text, bool asText = true) {
        ws_.text(asText);
        beast::error_code ec;
        ws_.write(net::buffer(text), ec);
    }
    void sendJson(const json& frame) { send(frame.dump()); }
    // The next frame, or nothing when the socket closed or nothing came in time.
    std::optional<json> read(std::chrono::milliseconds within = 5s) {
        std::optional<json> got;
        beast::flat_buffer buffer;
        ws_.async_read(buffer, [&](beast::error_code ec, std::size_t) {
            if (!ec) got = json::parse(beast::buffers_to_string(buffer.data()), nullptr, false);
            else closedBy = ec;
        });
        ioc_.restart();
        ioc_.run_for(within);
        if (!ioc_.stopped()) {
            beast::get_lowest_layer(ws_).cancel();
            ioc_.restart();
            ioc_.run();
        }
        return got;
    }
    // The next frame of a type, skipping others.
    std::optional<json> readType(const std::string& type) {
        for (int i = 0; i < 1000; ++i) {
            auto frame = read();
            if (!frame) return std::nullopt;
            if ((*frame)["type"] == type) return frame;
        }
        return std::nullopt;
    }
    int closeCode() const { return ws_.reason().code; }
    websocket::stream<beast::tcp_stream>& stream() { return ws_; }
    net::io_context& context() { return ioc_; }

    beast::error_code closedBy;

private:
    net::io_context ioc_;
    websocket::stream<beast::tcp_stream> ws_{ioc_};
};

}  // namespace velmaro::deskserver::wire_client
