#include "DeskServer/DeskServer.h"

#include "DeskServer/Beast.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <atomic>
#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "Desk/DeskEngine.h"
#include "DeskServer/Wire/ConsoleFiles.h"
#include "DeskServer/Wire/Protocol.h"

namespace velmaro::deskserver {

using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;
using Clock = std::chrono::steady_clock;

class WsSession;
class HttpSession;

namespace {

std::string bearerToken(const Request& request) {
    auto it = request.find(http::field::authorization);
    if (it == request.end()) return {};
    beast::string_view value = it->value();
    if (value.size() < 7 || !beast::iequals(value.substr(0, 7), "Bearer ")) return {};
    value.remove_prefix(7);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    return std::string(value);
}

ProblemError notFoundRoute() {
    return {404, "no-such-resource", "Not found", "there is no such resource"};
}

ProblemError methodNotAllowed() {
    return {405, "method-not-allowed", "Method not allowed", "the resource does not answer this method"};
}

}  // namespace

// What the server answers a request: a status and a JSON body.
struct Reply {
    int status = 200;
    json body;
    bool repeated = false;  // the kept answer to an earlier request with the same retry key
};

class DeskServer::Impl {
public:
    Impl(std::unique_ptr<desk::DeskStore> store, const TenantFile& tenantFile, Options options);
    // What other desks commit is told to the hub below, which goes before the engine.
    ~Impl() { engine_->stopHearingOthers(); }

    void startAccepting();
    void run();
    void stop();
    // Stopping: done when every connection has gone, or cut at the deadline.
    void waitForDrain(Clock::time_point deadline);

    // Routing (HTTP).
    Reply route(const Request& request, const Target& target);
    // The upgrade of a WebSocket: authorised and routed before the handshake.
    struct SocketRoute {
        enum class Kind { chat, notices, agent } kind;
        std::string key;  // conversation, user or tenant
        std::string userId;
        std::int64_t after = 0;
    };
    SocketRoute routeSocket(const Request& request, const Target& target);

    // A request that creates something: with an Idempotency-Key, performed once per caller and
    // key, and its answer given again to retries.
    Reply createOnce(const Request& request, const Target& target, const std::string& caller,
                     const std::function<Reply()>& perform);

    // Group commit of the chats' sends: what arrives while a commit runs is committed together
    // next, and each echo leaves only after the commit that holds its message.
    struct QueuedSend {
        std::shared_ptr<WsSession> session;
        ChatCommand command;
    };
    void queueSend(QueuedSend send);
    void commitQueuedSends();
    void commitSends(std::vector<QueuedSend>& batch);
    void commitSends(std::vector<QueuedSend>& sends, std::size_t begin, std::size_t end);

    desk::User customer(const std::string& token);
    desk::Agent agent(const std::string& token);

    // A ticket opens one WebSocket for the token that asked for it, once and soon, so that a
    // browser (which cannot set headers on a WebSocket) never puts the token in a URL.
    std::string issueTicket(const std::string& token);
    std::string redeemTicket(const std::string& ticket);  // the token, or empty

    void log(const std::string& remote, const std::string& method, const std::string& path, int status,
             Clock::time_point started);
    void logFault(const std::string& what);

    // The live fan-out: engine events to sockets, under the engine's serialisation.
    void onEvent(const desk::DeskEngine::Event& event);
    // Other desks' news may have been lost: every chat reads on from the offset it has.
    void catchUpChats();
    bool customerWatching(const std::string& conversationId);
    void registerSocket(const std::shared_ptr<WsSession>& session, SocketRoute::Kind kind, const std::string& key);
    void unregisterSocket(WsSession* session);
    void trackHttp(const std::shared_ptr<HttpSession>& session);

    void makeFirstAgent();
    void writeFirstAgent(const std::string& email);

    Options options_;
    desk::Tenant tenant_;
    std::string firstAgentWritten_;
    std::unique_ptr<desk::DeskEngine> engine_;
    net::io_context ioc_;
    // The acceptor, the signals and stopping run on one strand.
    net::strand<net::io_context::executor_type> control_{net::make_strand(ioc_)};
    tcp::acceptor acceptor_;
    unsigned short port_ = 0;
    net::signal_set signals_;
    net::steady_timer graceTimer_;
    std::atomic<bool> stopping_{false};
    std::mutex logMutex_;

    std::mutex sendsMutex_;
    std::vector<QueuedSend> queuedSends_;
    static constexpr std::size_t kMostSendsPerCommit = 512;
    bool committingSends_ = false;

    std::mutex ticketsMutex_;
    struct Ticket {
        std::string token;
        Clock::time_point expires;
    };
    std::map<std::string, Ticket> tickets_;  // by the ticket's hash
    static constexpr std::size_t kMostTickets = 100'000;

    std::mutex hubMutex_;
    std::multimap<std::string, std::weak_ptr<WsSession>> chats_, notices_, agents_;
    std::map<WsSession*, std::weak_ptr<WsSession>> sockets_;
    std::map<HttpSession*, std::weak_ptr<HttpSession>> https_;
};

// --- A WebSocket --------------------------------------------------------------------------------

class WsSession : public std::enable_shared_from_this<WsSession> {
public:
    using Kind = DeskServer::Impl::SocketRoute::Kind;

    WsSession(DeskServer::Impl* server, beast::tcp_stream stream, DeskServer::Impl::SocketRoute route)
        : server_(server), ws_(std::move(stream)), route_(std::move(route)) {
        executor_ = ws_.get_executor();
    }

    void start(Request request) {
        ws_.read_message_max(Limits::frame);
        websocket::stream_base::timeout timeout{};
        timeout.handshake_timeout = server_->options_.requestTimeout;
        timeout.idle_timeout = server_->options_.socketIdleTimeout;
        timeout.keep_alive_pings = true;
        ws_.set_option(timeout);
        ws_.set_option(websocket::stream_base::decorator(
            [](websocket::response_type& response) { response.set(http::field::server, "velmaro-desk"); }));
        request_ = std::move(request);
        // An agent's or a user's socket has no replay: it hears from the moment its upgrade is
        // answered, so it is registered before, and what comes meanwhile waits for the handshake.
        if (route_.kind != Kind::chat) server_->registerSocket(shared_from_this(), route_.kind, route_.key);
        ws_.async_accept(request_, beast::bind_front_handler(&WsSession::onAccept, shared_from_this()));
    }

    // From any thread: an event for this socket. Chat events carry their offset, so that one
    // already sent (by the replay) is not sent again.
    void deliver(std::shared_ptr<const std::string> payload, std::int64_t offset) {
        net::post(executor_, [self = shared_from_this(), payload = std::move(payload), offset] {
            if (offset > 0) {
                if (offset <= self->lastOffset_) return;
                self->lastOffset_ = offset;
            }
            self->send(payload);
        });
    }

    // From any thread: what was committed after the last offset sent is read and sent.
    void catchUp() {
        net::post(executor_, [self = shared_from_this()] {
            if (!self->accepted_ || self->closing_) return;
            try {
                for (const auto& message : self->server_->engine_->messages(self->route_.key, self->lastOffset_, 1000))
                    if (message.offset > self->lastOffset_) {
                        self->lastOffset_ = message.offset;
                        self->send(std::make_shared<const std::string>(chatEvent(message).dump()));
                    }
            } catch (const desk::DeskError& error) {
                self->server_->logFault(error.what());
            }
        });
    }

    // From any thread: the server goes away.
    void goAway() {
        net::post(executor_, [self = shared_from_this()] {
            self->close(websocket::close_reason(websocket::close_code::going_away, "the desk is shutting down"));
        });
    }

private:
    void onAccept(beast::error_code ec) {
        if (ec) return end();
        ws_.text(true);
        accepted_ = true;
        if (pendingClose_ && !writing_) return doClose();
        if (route_.kind != Kind::chat && !queue_.empty() && !writing_) writeNext();
        if (route_.kind == Kind::chat) {
            server_->registerSocket(shared_from_this(), route_.kind, route_.key);
            // Registered first, then the replay: whatever is committed meanwhile arrives live
            // and is sent once, by its offset.
            try {
                auto conversation = server_->engine_->conversationOf(route_.userId, route_.key);
                send(std::make_shared<const std::string>(
                    json{{"type", "CONNECTED"}, {"conversationId", conversation.id}, {"offset", conversation.lastOffset}}
                        .dump()));
                // What the client says it has is not sent again.
                lastOffset_ = std::min(route_.after, conversation.lastOffset);
                std::int64_t after = route_.after;
                for (;;) {
                    auto batch = server_->engine_->messages(route_.key, after, 500);
                    for (const auto& message : batch) {
                        if (message.offset > lastOffset_) {
                            lastOffset_ = message.offset;
                            send(std::make_shared<const std::string>(chatEvent(message).dump()));
                        }
                        after = message.offset;
                    }
                    if (batch.size() < 500) break;
                }
            } catch (const desk::DeskError& error) {
                server_->logFault(error.what());
                return close(websocket::close_reason(websocket::close_code::internal_error, "the desk failed"));
            }
        }
        read();
    }

    void read() {
        ws_.async_read(buffer_, beast::bind_front_handler(&WsSession::onRead, shared_from_this()));
    }

    void onRead(beast::error_code ec, std::size_t) {
        // Too big (1009), not UTF-8 (1007), a dead peer or a close: Beast has answered the peer.
        if (ec) return end();
        const std::string frame = beast::buffers_to_string(buffer_.data());
        buffer_.consume(buffer_.size());
        if (route_.kind == Kind::chat && !closing_) handleChatFrame(frame, ws_.got_text());
        // A client that sends faster than the desk commits waits, with its frames in TCP's
        // buffers rather than the desk's memory.
        if (unanswered_ >= kUnansweredSends)
            paused_ = true;
        else
            read();
    }

    void handleChatFrame(const std::string& frame, bool text) {
        try {
            if (!text) throw ProblemError(400, "invalid-request", "Invalid request", "frames must be text");
            server_->queueSend({shared_from_this(), parseChatFrame(frame)});
            ++unanswered_;
        } catch (const ProblemError& problem) {
            sendError(problem);
        }
    }

    // On the socket's strand: a queued send has its answer.
    void answered() {
        --unanswered_;
        if (paused_ && unanswered_ < kUnansweredSends) {
            paused_ = false;
            read();
        }
    }

public:
    const DeskServer::Impl::SocketRoute& route() const { return route_; }

    // From the committer, after the send was committed (or refused) and before its echo is
    // handed to this socket: the response goes out first.
    void answerSend(const ChatCommand& command, const desk::DeskEngine::Sent& sent) {
        net::post(executor_, [self = shared_from_this(), command, sent] {
            self->answered();
            self->send(std::make_shared<const std::string>(json{{"type", "SEND_MESSAGE_RESPONSE"},
                                                                {"messageId", sent.message.id},
                                                                {"offset", sent.message.offset},
                                                                {"clientMessageId", command.clientMessageId},
                                                                {"repeated", sent.repeated}}
                                                               .dump()));
            if (sent.repeated && sent.message.offset > self->lastOffset_) {
                self->lastOffset_ = sent.message.offset;
                self->send(std::make_shared<const std::string>(chatEvent(sent.message).dump()));
            }
        });
    }
    void refuseSend(const ProblemError& problem) {
        // The frame is made here: an exception's text is shared between copies without a lock
        // the thread sanitizer can see, so none crosses to the socket's thread.
        net::post(executor_, [self = shared_from_this(), frame = errorFrame(problem)] {
            self->answered();
            self->send(frame);
        });
    }

private:

    static std::shared_ptr<const std::string> errorFrame(const ProblemError& problem) {
        json body = problemJson(problem);
        body["type"] = "ERROR";
        body["problem"] = "/v1/problems/" + problem.slug;
        return std::make_shared<const std::string>(body.dump());
    }
    void sendError(const ProblemError& problem) { send(errorFrame(problem)); }

    void send(std::shared_ptr<const std::string> payload) {
        if (closing_) return;
        if (queue_.size() >= Limits::queuedEvents)
            return close(websocket::close_reason(websocket::close_code::policy_error, "reading too slowly"));
        queue_.push_back(std::move(payload));
        if (!writing_ && accepted_) writeNext();
    }

    void writeNext() {
        if (queue_.empty()) {
            writing_ = false;
            if (pendingClose_) doClose();
            return;
        }
        writing_ = true;
        ws_.async_write(net::buffer(*queue_.front()),
                        beast::bind_front_handler(&WsSession::onWrite, shared_from_this()));
    }

    void onWrite(beast::error_code ec, std::size_t) {
        if (ec) {
            writing_ = false;
            queue_.clear();
            return end();
        }
        queue_.pop_front();
        writeNext();
    }

    void close(websocket::close_reason reason) {
        if (closing_) return;
        closing_ = true;
        // A frame being written stays until its write completes: the write reads from it.
        queue_.erase(writing_ ? std::next(queue_.begin()) : queue_.begin(), queue_.end());
        closeReason_ = reason;
        pendingClose_ = true;
        if (!writing_ && accepted_) doClose();
    }

    void doClose() {
        pendingClose_ = false;
        ws_.async_close(closeReason_, [self = shared_from_this()](beast::error_code) { self->end(); });
    }

    void end() {
        if (ended_) return;
        ended_ = true;
        server_->unregisterSocket(this);
    }

    DeskServer::Impl* server_;
    websocket::stream<beast::tcp_stream> ws_;
    net::any_io_executor executor_;
    DeskServer::Impl::SocketRoute route_;
    Request request_;
    beast::flat_buffer buffer_;
    std::deque<std::shared_ptr<const std::string>> queue_;
    bool writing_ = false;
    bool closing_ = false;
    bool pendingClose_ = false;
    bool ended_ = false;
    bool accepted_ = false;  // nothing is written before the handshake is answered
    websocket::close_reason closeReason_;
    std::int64_t lastOffset_ = 0;
    static constexpr int kUnansweredSends = 64;
    int unanswered_ = 0;   // sends queued for the committer, not yet answered
    bool paused_ = false;  // reading waits for answers
};

// --- An HTTP connection -------------------------------------------------------------------------

class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(DeskServer::Impl* server, tcp::socket socket) : server_(server), stream_(std::move(socket)) {
        beast::error_code ignored;
        auto endpoint = stream_.socket().remote_endpoint(ignored);
        remote_ = endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
    }

    void start() {
        net::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->read(); });
    }

    // From any thread: the server stops. A connection waiting for a request closes now; one
    // with a request in flight closes after its answer.
    void stopWhenIdle() {
        net::post(stream_.get_executor(), [self = shared_from_this()] {
            if (self->reading_) {
                beast::error_code ignored;
                self->stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
                self->stream_.close();
            }
        });
    }

private:
    void read() {
        if (server_->stopping_) return close();
        parser_.emplace();
        parser_->body_limit(Limits::body);
        parser_->header_limit(Limits::header);
        reading_ = true;
        // The whole request within the timeout: slow senders and idle connections are closed.
        stream_.expires_after(server_->options_.requestTimeout);
        http::async_read(stream_, buffer_, *parser_, beast::bind_front_handler(&HttpSession::onRead, shared_from_this()));
    }

    void onRead(beast::error_code ec, std::size_t) {
        reading_ = false;
        started_ = Clock::now();
        if (ec == http::error::end_of_stream || ec == beast::error::timeout || ec == net::error::operation_aborted ||
            ec == net::error::connection_reset || ec == net::error::bad_descriptor)
            return close();
        if (ec) {
            // Nothing of the request was handled; the connection cannot be trusted to go on.
            ProblemError problem =
                ec == http::error::body_limit
                    ? ProblemError(413, "too-large", "Body too large",
                                   "the body is larger than " + std::to_string(Limits::body) + " bytes")
                : ec == http::error::header_limit
                    ? ProblemError(431, "headers-too-large", "Headers too large",
                                   "the headers are larger than " + std::to_string(Limits::header) + " bytes")
                    : ProblemError(400, "malformed-http", "Malformed HTTP", "the request is not HTTP/1.1: " + ec.message());
            std::string method = "-", path = "-";
            if (parser_ && parser_->is_header_done()) {
                method = std::string(parser_->get().method_string());
                path = std::string(parser_->get().target().substr(0, parser_->get().target().find('?')));
            }
            return answer(problem.status, problemJson(problem), false, method, path, {});
        }
        Request request = parser_->release();
        const std::string method(request.method_string());
        std::string path = "-";
        try {
            Target target = parseTarget(std::string_view(request.target().data(), request.target().size()));
            path = target.path;
            if (!target.segments.empty() && target.segments[0] == "console" && !websocket::is_upgrade(request))
                return answerConsole(request, target, method, path);
            if (websocket::is_upgrade(request)) {
                auto route = server_->routeSocket(request, target);
                server_->log(remote_, method, path, 101, started_);
                stream_.expires_never();
                std::make_shared<WsSession>(server_, std::move(stream_), std::move(route))->start(std::move(request));
                return;
            }
            if (!request.body().empty()) {
                auto type = request[http::field::content_type];
                if (!type.empty() && type.substr(0, 16) != "application/json")
                    throw ProblemError(415, "unsupported-media-type", "Unsupported media type",
                                       "bodies are application/json");
            }
            Reply reply = server_->route(request, target);
            return answer(reply.status, reply.body, request.keep_alive(), method, path, {}, reply.repeated);
        } catch (const ProblemError& problem) {
            return answer(problem.status, problemJson(problem), request.keep_alive(), method, path,
                          problem.status == 401 ? "Bearer" : "");
        } catch (const desk::DeskError& error) {
            if (error.code() == desk::DeskError::Code::unavailable) server_->logFault(error.what());
            ProblemError problem = problemFrom(error);
            return answer(problem.status, problemJson(problem), request.keep_alive(), method, path,
                          problem.status == 401 ? "Bearer" : "");
        } catch (const std::exception& error) {
            server_->logFault(error.what());
            ProblemError problem(500, "internal", "Internal error", "the desk failed to answer");
            return answer(500, problemJson(problem), false, method, path, {});
        }
    }

    void answer(int status, const json& body, bool keepAlive, const std::string& method, const std::string& path,
                const std::string& authenticate, bool repeated = false) {
        auto response = std::make_shared<Response>(static_cast<http::status>(status), 11);
        response->set(http::field::server, "velmaro-desk");
        response->set(http::field::content_type, status >= 400 ? "application/problem+json" : "application/json");
        response->set(http::field::cache_control, "no-store");
        if (!authenticate.empty()) response->set(http::field::www_authenticate, authenticate);
        if (repeated) response->set("Idempotency-Replayed", "true");
        response->keep_alive(keepAlive && !server_->stopping_);
        response->body() = body.dump();
        response->prepare_payload();
        // HEAD gets the headers of the answer, length included, and no body: a body would be
        // read as the start of the next answer on a kept-alive connection.
        if (method == "HEAD") response->body().clear();
        server_->log(remote_, method, path, status, started_);
        stream_.expires_after(server_->options_.requestTimeout);
        http::async_write(stream_, *response,
                          [self = shared_from_this(), response](beast::error_code ec, std::size_t) {
                              if (ec || !response->keep_alive()) return self->close();
                              self->read();
                          });
    }

    void answerConsole(const Request& request, const Target& target, const std::string& method,
                       const std::string& path) {
        const std::vector<std::string> rest(target.segments.begin() + 1, target.segments.end());
        const auto tag = request[http::field::if_none_match];
        auto file = consoleFile(server_->options_.consoleFolder, rest, method, std::string_view(tag.data(), tag.size()));
        auto response = std::make_shared<Response>(static_cast<http::status>(file.status), 11);
        response->set(http::field::server, "velmaro-desk");
        if (file.status != 304) response->set(http::field::content_type, file.contentType);
        bool lengthGiven = false;
        for (const auto& [name, value] : file.headers) {
            response->set(name, value);
            lengthGiven = lengthGiven || name == "Content-Length";
        }
        response->keep_alive(request.keep_alive() && !server_->stopping_);
        response->body() = std::move(file.body);
        if (!lengthGiven) response->prepare_payload();
        server_->log(remote_, method, path, file.status, started_);
        stream_.expires_after(server_->options_.requestTimeout);
        http::async_write(stream_, *response,
                          [self = shared_from_this(), response](beast::error_code ec, std::size_t) {
                              if (ec || !response->keep_alive()) return self->close();
                              self->read();
                          });
    }

    void close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.close();
    }

    DeskServer::Impl* server_;
    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::string remote_;
    bool reading_ = false;
    Clock::time_point started_;
};

// --- The server ---------------------------------------------------------------------------------

DeskServer::Impl::Impl(std::unique_ptr<desk::DeskStore> store, const TenantFile& tenantFile, Options options)
    : options_(std::move(options)),
      tenant_(tenantFile.tenant),
      acceptor_(control_),
      signals_(control_),
      graceTimer_(control_) {
    // Taken at once, not when run() starts: a SIGTERM right after the listening line still stops
    // the desk cleanly (it waits in the set until run() reads it).
    if (options_.handleSignals) {
        signals_.add(SIGTERM);
        signals_.add(SIGINT);
    }
    desk::DeskEngine::Options engineOptions;
    engineOptions.passwordCost = options_.passwordCost;
    // The engine outlives no socket: events reach sockets only while the server runs.
    engineOptions.listener = [this](const desk::DeskEngine::Event& event) { onEvent(event); };
    engineOptions.customerWatching = [this](const std::string& id) { return customerWatching(id); };
    engineOptions.othersMissed = [this] { catchUpChats(); };
    engine_ = std::make_unique<desk::DeskEngine>(std::move(store), std::move(engineOptions));
    engine_->putTenant(tenant_);
    for (const auto& entry : tenantFile.agents)
        engine_->ensureAgent(tenant_.id, entry.email, entry.name, entry.password, entry.avatarUrl);
    if (tenantFile.agents.empty() && !options_.firstAgentFile.empty()) makeFirstAgent();

    try {
        tcp::endpoint endpoint(net::ip::make_address(options_.address), options_.port);
        acceptor_.open(endpoint.protocol());
        acceptor_.set_option(net::socket_base::reuse_address(true));
        acceptor_.bind(endpoint);
        acceptor_.listen(net::socket_base::max_listen_connections);
        port_ = acceptor_.local_endpoint().port();
    } catch (const boost::system::system_error& error) {
        // Callers see the standard error, without Boost.
        throw std::system_error(error.code().value(), std::system_category(), error.what());
    }
}

void DeskServer::Impl::startAccepting() {
    acceptor_.async_accept(net::make_strand(ioc_), [self = this](beast::error_code ec, tcp::socket socket) {
        if (ec == net::error::operation_aborted || !self->acceptor_.is_open()) return;
        if (!ec) {
            // Answers and events are small writes that must leave at once: without this, the
            // second of two (a send's response, then its echo) waits for the peer's delayed
            // acknowledgement, tens of milliseconds.
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            auto session = std::make_shared<HttpSession>(self, std::move(socket));
            self->trackHttp(session);
            session->start();
        }
        self->startAccepting();
    });
}

void DeskServer::Impl::run() {
    if (options_.handleSignals) {
        signals_.async_wait([self = this](beast::error_code ec, int) {
            if (!ec) self->stop();
        });
    }
    startAccepting();
    std::vector<std::thread> helpers;
    for (int i = 1; i < options_.threads; ++i) helpers.emplace_back([this] { ioc_.run(); });
    ioc_.run();
    for (auto& helper : helpers) helper.join();
}

void DeskServer::Impl::stop() {
    net::post(control_, [self = this] {
        if (self->stopping_.exchange(true)) return;
        beast::error_code ignored;
        self->acceptor_.close(ignored);
        self->signals_.cancel(ignored);
        std::vector<std::shared_ptr<WsSession>> sockets;
        std::vector<std::shared_ptr<HttpSession>> https;
        {
            std::lock_guard lock(self->hubMutex_);
            for (auto& [_, weak] : self->sockets_)
                if (auto socket = weak.lock()) sockets.push_back(socket);
            for (auto& [_, weak] : self->https_)
                if (auto session = weak.lock()) https.push_back(session);
        }
        for (auto& socket : sockets) socket->goAway();
        for (auto& session : https) session->stopWhenIdle();
        self->waitForDrain(Clock::now() + self->options_.shutdownGrace);
    });
}

void DeskServer::Impl::waitForDrain(Clock::time_point deadline) {
    bool drained;
    {
        std::lock_guard lock(hubMutex_);
        std::erase_if(https_, [](const auto& entry) { return entry.second.expired(); });
        drained = sockets_.empty() && https_.empty();
    }
    if (drained) return;  // nothing left to run: run() returns
    if (Clock::now() >= deadline) return ioc_.stop();
    graceTimer_.expires_after(std::chrono::milliseconds(20));
    graceTimer_.async_wait([this, deadline](beast::error_code ec) {
        if (!ec) waitForDrain(deadline);
    });
}

void DeskServer::Impl::queueSend(QueuedSend send) {
    std::lock_guard lock(sendsMutex_);
    queuedSends_.push_back(std::move(send));
    if (committingSends_) return;
    committingSends_ = true;
    net::post(ioc_, [this] { commitQueuedSends(); });
}

void DeskServer::Impl::commitQueuedSends() {
    for (;;) {
        std::vector<QueuedSend> batch;
        {
            std::lock_guard lock(sendsMutex_);
            if (queuedSends_.empty()) {
                committingSends_ = false;
                return;
            }
            // Bounded, so that requests waiting for the desk are not held up long.
            const std::size_t take = std::min(queuedSends_.size(), kMostSendsPerCommit);
            batch.assign(std::make_move_iterator(queuedSends_.begin()),
                         std::make_move_iterator(queuedSends_.begin() + static_cast<std::ptrdiff_t>(take)));
            queuedSends_.erase(queuedSends_.begin(), queuedSends_.begin() + static_cast<std::ptrdiff_t>(take));
        }
        commitSends(batch);
    }
}

// Conversations are locked in one order on every desk (each conversation's sends keep theirs),
// so that two desks sharing a database never wait for each other in a circle.
void DeskServer::Impl::commitSends(std::vector<QueuedSend>& batch) {
    std::stable_sort(batch.begin(), batch.end(), [](const QueuedSend& x, const QueuedSend& y) {
        return x.session->route().key < y.session->route().key;
    });
    commitSends(batch, 0, batch.size());
}

// Sends [begin, end) in one transaction; should it fail, nothing of it is kept. A send the
// database itself refused may spoil the transaction (a store without savepoints fails the rest
// with it): the sends before it are committed again on their own, it is refused, and those after
// it go on. Each chat's sends are answered in the order sent, refusals among them.
void DeskServer::Impl::commitSends(std::vector<QueuedSend>& sends, std::size_t begin, std::size_t end) {
    while (begin < end) {
        std::vector<std::optional<desk::DeskEngine::Sent>> sent(end - begin);
        std::vector<std::optional<ProblemError>> refused(end - begin);
        std::optional<std::size_t> firstByDatabase;
        try {
            engine_->together(
                [&] {
                    for (std::size_t i = begin; i < end; ++i) {
                        const auto& route = sends[i].session->route();
                        try {
                            sent[i - begin] = engine_->customerSays(route.userId, route.key, sends[i].command.message,
                                                                    sends[i].command.clientMessageId);
                        } catch (const desk::DeskError& error) {
                            if (error.code() == desk::DeskError::Code::unavailable) {
                                logFault(error.what());
                                if (!firstByDatabase) firstByDatabase = i;
                            }
                            refused[i - begin] = problemFrom(error);
                        }
                    }
                },
                [&] {
                    for (std::size_t i = begin; i < end; ++i) {
                        if (sent[i - begin])
                            sends[i].session->answerSend(sends[i].command, *sent[i - begin]);
                        else
                            sends[i].session->refuseSend(*refused[i - begin]);
                    }
                });
            return;
        } catch (const desk::DeskError& error) {
            logFault(error.what());
            if (!firstByDatabase) {
                for (std::size_t i = begin; i < end; ++i) sends[i].session->refuseSend(problemFrom(error));
                return;
            }
            const std::size_t spoiler = *firstByDatabase;
            commitSends(sends, begin, spoiler);
            sends[spoiler].session->refuseSend(*refused[spoiler - begin]);
            begin = spoiler + 1;
        }
    }
}

void DeskServer::Impl::trackHttp(const std::shared_ptr<HttpSession>& session) {
    std::lock_guard lock(hubMutex_);
    std::erase_if(https_, [](const auto& entry) { return entry.second.expired(); });
    https_[session.get()] = session;
}

void DeskServer::Impl::registerSocket(const std::shared_ptr<WsSession>& session, SocketRoute::Kind kind,
                                      const std::string& key) {
    std::lock_guard lock(hubMutex_);
    sockets_[session.get()] = session;
    auto& index = kind == SocketRoute::Kind::chat ? chats_ : kind == SocketRoute::Kind::notices ? notices_ : agents_;
    index.emplace(key, session);
    if (stopping_) session->goAway();
}

void DeskServer::Impl::unregisterSocket(WsSession* session) {
    std::lock_guard lock(hubMutex_);
    sockets_.erase(session);
    for (auto* index : {&chats_, &notices_, &agents_})
        std::erase_if(*index, [&](const auto& entry) {
            auto alive = entry.second.lock();
            return !alive || alive.get() == session;
        });
}

bool DeskServer::Impl::customerWatching(const std::string& conversationId) {
    std::lock_guard lock(hubMutex_);
    return chats_.count(conversationId) > 0;
}

void DeskServer::Impl::catchUpChats() {
    std::lock_guard lock(hubMutex_);
    for (auto& [_, weak] : chats_)
        if (auto socket = weak.lock()) socket->catchUp();
}

void DeskServer::Impl::onEvent(const desk::DeskEngine::Event& event) {
    std::lock_guard lock(hubMutex_);
    const auto& conversation = event.conversation;
    if (event.message) {
        const auto& message = *event.message;
        const bool watched = chats_.count(conversation.id) > 0;
        if (watched) {
            auto payload = std::make_shared<const std::string>(chatEvent(message).dump());
            auto [begin, end] = chats_.equal_range(conversation.id);
            for (auto it = begin; it != end; ++it)
                if (auto socket = it->second.lock()) socket->deliver(payload, message.offset);
        } else if (message.direction == "OUTBOUND") {
            // The layer turns this into a push notification.
            auto payload = std::make_shared<const std::string>(json{{"type", "NEW_MESSAGE"},
                                                                    {"conversationId", conversation.id},
                                                                    {"messageId", message.id},
                                                                    {"offset", message.offset},
                                                                    {"message", message.text},
                                                                    {"unseenActivityCount", conversation.unseenByUser},
                                                                    {"createdDateTime", wireDate(message.createdAt)}}
                                                                   .dump());
            auto [begin, end] = notices_.equal_range(conversation.userId);
            for (auto it = begin; it != end; ++it)
                if (auto socket = it->second.lock()) socket->deliver(payload, 0);
        }
    }
    auto [begin, end] = agents_.equal_range(conversation.tenantId);
    if (begin == end) return;
    json update{{"type", event.message ? "MESSAGE" : "CONVERSATION_CHANGED"},
                {"conversation", agentConversationJson(conversation)}};
    if (event.message) update["message"] = messageJson(*event.message);
    auto payload = std::make_shared<const std::string>(update.dump());
    for (auto it = begin; it != end; ++it)
        if (auto socket = it->second.lock()) socket->deliver(payload, 0);
}

void DeskServer::Impl::log(const std::string& remote, const std::string& method, const std::string& path, int status,
                           Clock::time_point started) {
    if (!options_.log) return;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    json line{{"time", wireDate(now)}, {"remote", remote}, {"method", method},
              {"path", path},          {"status", status}, {"ms", std::round(ms * 100) / 100}};
    const std::string text = line.dump(-1, ' ', false, json::error_handler_t::replace);
    std::lock_guard lock(logMutex_);
    *options_.log << text << '\n' << std::flush;
}

void DeskServer::Impl::logFault(const std::string& what) {
    if (!options_.log) return;
    json line{{"level", "error"}, {"fault", what}};
    std::lock_guard lock(logMutex_);
    *options_.log << line.dump(-1, ' ', false, json::error_handler_t::replace) << '\n' << std::flush;
}

// --- Authorisation ----------------------------------------------------------------------------

namespace {

// A token of the caller's own kind gives its holder; one of the other kind is known but refused
// here (403); anything else is no token at all (401).
template <class Find, class FindOther>
auto holderOf(const std::string& token, Find find, FindOther findOther, const char* otherKindRefused) {
    if (token.empty())
        throw ProblemError(401, "unauthorized", "Unauthorized", "an Authorization: Bearer token is needed");
    try {
        return find(token);
    } catch (const desk::DeskError& error) {
        if (error.code() != desk::DeskError::Code::unauthorized) throw;
    }
    try {
        findOther(token);
    } catch (const desk::DeskError&) {
        throw ProblemError(401, "unauthorized", "Unauthorized", "the token is not valid");
    }
    throw ProblemError(403, "forbidden", "Forbidden", otherKindRefused);
}

}  // namespace

desk::User DeskServer::Impl::customer(const std::string& token) {
    return holderOf(
        token, [&](const std::string& t) { return engine_->userForToken(t); },
        [&](const std::string& t) { engine_->agentForToken(t); }, "an agent's token does not reach the customer API");
}

desk::Agent DeskServer::Impl::agent(const std::string& token) {
    return holderOf(
        token, [&](const std::string& t) { return engine_->agentForToken(t); },
        [&](const std::string& t) { engine_->userForToken(t); }, "a customer's token does not reach the agent API");
}

std::string DeskServer::Impl::issueTicket(const std::string& token) {
    const std::string ticket = desk::secrets::randomToken();
    const auto now = Clock::now();
    std::lock_guard lock(ticketsMutex_);
    std::erase_if(tickets_, [&](const auto& entry) { return entry.second.expires <= now; });
    if (tickets_.size() >= kMostTickets)
        throw ProblemError(503, "unavailable", "Unavailable", "too many WebSocket tickets are waiting");
    tickets_[desk::secrets::tokenHash(ticket)] = {token, now + options_.ticketLifetime};
    return ticket;
}

std::string DeskServer::Impl::redeemTicket(const std::string& ticket) {
    std::lock_guard lock(ticketsMutex_);
    auto it = tickets_.find(desk::secrets::tokenHash(ticket));
    if (it == tickets_.end()) return {};
    // Once only, whether or not it is still good.
    Ticket found = std::move(it->second);
    tickets_.erase(it);
    return found.expires > Clock::now() ? found.token : std::string();
}

// --- Routes ----------------------------------------------------------------------------------

namespace {

std::string displayName(const desk::User& user) {
    std::string name = user.firstName;
    if (!user.lastName.empty()) name += (name.empty() ? "" : " ") + user.lastName;
    return name.empty() ? user.userName : name;
}

std::map<std::string, std::string> customerNames(desk::DeskEngine& engine, const std::string& tenantId) {
    std::map<std::string, std::string> names;
    for (const auto& user : engine.users(tenantId)) names[user.id] = displayName(user);
    return names;
}

// What an agent's list shows of a conversation: who wrote, and the newest entry.
json agentConversationForList(desk::DeskEngine& engine, const desk::Conversation& c,
                              const std::map<std::string, std::string>& names) {
    json body = agentConversationJson(c);
    auto name = names.find(c.userId);
    body["customerName"] = name == names.end() ? std::string() : name->second;
    if (c.lastOffset > 0)
        for (const auto& newest : engine.messages(c.id, c.lastOffset - 1, 1)) body["lastMessage"] = messageJson(newest);
    return body;
}

json conversationsJson(desk::DeskEngine& engine, const std::vector<desk::Conversation>& list) {
    json array = json::array();
    for (const auto& c : list) {
        // A list shows each conversation's newest entry only.
        auto newest = c.lastOffset > 0 ? engine.messages(c.id, c.lastOffset - 1, 1) : std::vector<desk::Message>{};
        array.push_back(conversationJson(c, newest));
    }
    return array;
}

// A conversation's messages after the offset the query names, as many as it asks for (to 1,000).
Reply messagesPage(desk::DeskEngine& engine, const Target& target, const desk::Conversation& conversation) {
    const auto after = integerParameter(target, "after", 0, INT64_MAX / 2);
    const auto limit = integerParameter(target, "limit", 1000, 1000);
    json array = json::array();
    for (const auto& m : engine.messages(conversation.id, after, static_cast<std::size_t>(limit)))
        array.push_back(messageJson(m));
    return {200, {{"messages", array}, {"lastOffset", conversation.lastOffset}}};
}

}  // namespace

Reply DeskServer::Impl::route(const Request& request, const Target& target) {
    const auto& s = target.segments;
    const auto method = request.method();
    const bool get = method == http::verb::get, post = method == http::verb::post;
    auto body = [&] { return parseObject(request.body()); };
    if (s.empty() || s[0] != "v1") throw notFoundRoute();
    const std::size_t n = s.size();

    if (n == 2 && s[1] == "health") {
        if (!get) throw methodNotAllowed();
        return {200, {{"status", stopping_ ? "stopping" : "ok"}}};
    }
    if (n == 2 && s[1] == "config") {
        if (!get) throw methodNotAllowed();
        return {200, tenantJson(tenant_)};
    }
    if (n == 2 && s[1] == "scores") {
        if (!get) throw methodNotAllowed();
        json scores = json::array();
        for (const auto& score : desk::DeskEngine::satisfactionScores())
            scores.push_back({{"id", score.id}, {"label", score.label}});
        return {200, {{"scores", scores}}};
    }
    if (n == 2 && s[1] == "users") {
        if (!post) throw methodNotAllowed();
        auto fields = body();
        // A caller who shows a token re-registers themself; without one, a new user is made.
        std::string callerId;
        if (auto token = bearerToken(request); !token.empty()) callerId = customer(token).id;
        return createOnce(request, target, callerId.empty() ? "anonymous" : "user:" + callerId, [&]() -> Reply {
            auto registration = engine_->registerUser(tenant_.id, stringMember(fields, "userName").value_or(""),
                                                      stringMember(fields, "firstName").value_or(""),
                                                      stringMember(fields, "lastName").value_or(""), callerId);
            if (!callerId.empty()) return {200, {{"user", userJson(registration.user)}}};
            return {201, {{"user", userJson(registration.user)}, {"token", registration.token}}};
        });
    }
    if (n == 3 && s[1] == "users" && s[2] == "me") {
        auto user = customer(bearerToken(request));
        if (get) return {200, userJson(user)};
        if (method != http::verb::patch) throw methodNotAllowed();
        auto fields = body();
        return {200, userJson(engine_->updateUser(user.id, stringMember(fields, "firstName"),
                                                  stringMember(fields, "lastName")))};
    }
    if (s[1] == "conversations" && n <= 4) {
        auto user = customer(bearerToken(request));
        if (n == 2) {
            if (get) {
                const bool onlyUnseen = target.query.count("onlyUnseen") && target.query.at("onlyUnseen") == "true";
                return {200, {{"conversations", conversationsJson(*engine_, engine_->conversationsOf(user.id, onlyUnseen))}}};
            }
            if (!post) throw methodNotAllowed();
            const std::string description = requiredString(body(), "description");
            return createOnce(request, target, "user:" + user.id, [&]() -> Reply {
                auto conversation = engine_->createConversation(user.id, description);
                return {201, conversationJson(conversation, engine_->messages(conversation.id, 0))};
            });
        }
        const std::string& id = validId(s[2], "conversationId");
        if (n == 3) {
            if (!get) throw methodNotAllowed();
            auto conversation = engine_->conversationOf(user.id, id);
            return {200, conversationJson(conversation, engine_->messages(id, 0, 100000))};
        }
        if (s[3] == "seen") {
            if (!post) throw methodNotAllowed();
            auto conversation = engine_->markSeenByUser(user.id, id);
            return {200, conversationJson(conversation, {})};
        }
        if (s[3] == "score") {
            if (!post) throw methodNotAllowed();
            const std::string scoreId = requiredString(body(), "scoreId");
            return createOnce(request, target, "user:" + user.id, [&]() -> Reply {
                return {200, conversationJson(engine_->rate(user.id, id, scoreId), {})};
            });
        }
        if (s[3] == "messages") {
            if (get) {
                auto conversation = engine_->conversationOf(user.id, id);
                return messagesPage(*engine_, target, conversation);
            }
            if (!post) throw methodNotAllowed();
            auto fields = body();
            const std::string text = requiredString(fields, "message");
            const std::string clientKey = stringMember(fields, "clientMessageId").value_or("");
            return createOnce(request, target, "user:" + user.id, [&]() -> Reply {
                auto sent = engine_->customerSays(user.id, id, text, clientKey);
                return {sent.repeated ? 200 : 201, messageJson(sent.message)};
            });
        }
        throw notFoundRoute();
    }
    if (n == 2 && s[1] == "socket-tickets") {
        if (!post) throw methodNotAllowed();
        // Either kind of token; the socket it opens checks the token as if it came itself.
        const std::string token = bearerToken(request);
        try {
            customer(token);
        } catch (const ProblemError& problem) {
            if (problem.status != 403) throw;  // 403 here: an agent's token, which is good too
        }
        return {201, {{"ticket", issueTicket(token)},
                      {"expiresIn", std::chrono::duration_cast<std::chrono::seconds>(options_.ticketLifetime).count()}}};
    }
    if (s[1] == "agent" && n >= 3) {
        if (n == 4 && s[2] == "sessions" && s[3] == "current") {
            if (method != http::verb::delete_) throw methodNotAllowed();
            const std::string token = bearerToken(request);
            this->agent(token);  // a customer's token: 403; none or unknown: 401
            engine_->signOutAgent(token);
            return {200, {{"signedOut", true}}};
        }
        if (n == 3 && s[2] == "sessions") {
            if (!post) throw methodNotAllowed();
            auto fields = body();
            auto session = engine_->signInAgent(tenant_.id, requiredString(fields, "email"),
                                                requiredString(fields, "password"));
            return {201, {{"token", session.token}, {"agent", agentJson(session.agent)}}};
        }
        auto agent = this->agent(bearerToken(request));
        if (n == 3 && s[2] == "scores") {
            if (!get) throw methodNotAllowed();
            json scores = json::array();
            for (const auto& given : engine_->scoresGiven(agent))
                scores.push_back({{"conversationId", given.conversation.id},
                                  {"number", given.conversation.number},
                                  {"scoreId", given.scoreId},
                                  {"dateTime", wireDate(given.conversation.updatedAt)}});
            return {200, {{"scores", scores}}};
        }
        if (s[2] != "conversations" || n > 5) throw notFoundRoute();
        if (n == 3) {
            if (!get) throw methodNotAllowed();
            std::optional<std::string> status;
            if (auto it = target.query.find("status"); it != target.query.end()) {
                if (it->second != "OPEN" && it->second != "CLOSED")
                    throw ProblemError(400, "invalid-request", "Invalid request", "status must be OPEN or CLOSED",
                                       "status");
                status = it->second;
            }
            json list = json::array();
            const auto names = customerNames(*engine_, agent.tenantId);
            for (const auto& c : engine_->tenantConversations(agent, status))
                list.push_back(agentConversationForList(*engine_, c, names));
            return {200, {{"conversations", list}}};
        }
        const std::string& id = validId(s[3], "conversationId");
        if (n == 4) {
            if (!get) throw methodNotAllowed();
            auto conversation = engine_->conversationForAgent(agent, id);
            std::map<std::string, std::string> names;
            if (auto customer = engine_->user(conversation.userId)) names[customer->id] = displayName(*customer);
            return {200, agentConversationForList(*engine_, conversation, names)};
        }
        if (s[4] == "messages") {
            if (get) {
                auto conversation = engine_->markSeenByAgent(agent, id);
                return messagesPage(*engine_, target, conversation);
            }
            if (!post) throw methodNotAllowed();
            auto fields = body();
            const std::string text = requiredString(fields, "message");
            const std::string clientKey = stringMember(fields, "clientMessageId").value_or("");
            return createOnce(request, target, "agent:" + agent.id, [&]() -> Reply {
                auto sent = engine_->agentSays(agent, id, text, clientKey);
                return {sent.repeated ? 200 : 201, messageJson(sent.message)};
            });
        }
        if (s[4] == "close") {
            if (!post) throw methodNotAllowed();
            return {200, agentConversationJson(engine_->close(agent, id))};
        }
    }
    throw notFoundRoute();
}

Reply DeskServer::Impl::createOnce(const Request& request, const Target& target, const std::string& caller,
                                   const std::function<Reply()>& perform) {
    auto header = request.find("Idempotency-Key");
    if (header == request.end()) return perform();
    using Answer = desk::DeskEngine::Answer;
    // The same request is the same method, path and JSON, however its members are spaced or
    // ordered (a malformed body was refused before this).
    const std::string body = request.body().empty() ? std::string() : parseObject(request.body()).dump();
    const desk::DeskEngine::RetryKeyed call{caller, std::string(header->value()),
                                            std::string(request.method_string()) + " " + target.path + "\n" + body};
    auto answer = engine_->once(call, [&] {
        Reply reply = perform();
        return Answer{Answer::Outcome::performed, reply.status, reply.body.dump()};
    });
    if (answer.outcome == Answer::Outcome::keyReused)
        throw ProblemError(422, "idempotency-key-reused", "Idempotency key reused",
                           "the Idempotency-Key was used for another request", "Idempotency-Key");
    return {answer.status, json::parse(answer.body), answer.outcome == Answer::Outcome::repeated};
}

DeskServer::Impl::SocketRoute DeskServer::Impl::routeSocket(const Request& request, const Target& target) {
    if (request.method() != http::verb::get) throw methodNotAllowed();
    // Browsers cannot set headers on a WebSocket: they show a ticket instead, never the token.
    std::string token = bearerToken(request);
    if (token.empty())
        if (auto it = target.query.find("ticket"); it != target.query.end()) {
            token = redeemTicket(it->second);
            if (token.empty()) throw ProblemError(401, "unauthorized", "Unauthorized", "the ticket is not valid");
        }
    const auto& s = target.segments;
    if (s.size() == 4 && s[0] == "v1" && s[1] == "conversations" && s[3] == "chat") {
        auto user = customer(token);
        const std::string& id = validId(s[2], "conversationId");
        engine_->conversationOf(user.id, id);  // someone else's: 404
        return {SocketRoute::Kind::chat, id, user.id, integerParameter(target, "after", 0, INT64_MAX / 2)};
    }
    if (s.size() == 4 && s[0] == "v1" && s[1] == "users" && s[2] == "me" && s[3] == "notices") {
        auto user = customer(token);
        return {SocketRoute::Kind::notices, user.id, user.id, 0};
    }
    if (s.size() == 3 && s[0] == "v1" && s[1] == "agent" && s[2] == "live") {
        auto agent = this->agent(token);
        return {SocketRoute::Kind::agent, agent.tenantId, {}, 0};
    }
    throw notFoundRoute();
}

// --- The face ------------------------------------------------------------------------------------

DeskServer::DeskServer(std::unique_ptr<desk::DeskStore> store, const TenantFile& tenant, Options options)
    : impl_(std::make_unique<Impl>(std::move(store), tenant, std::move(options))) {}

// Connections cut at the deadline are released with the I/O context, before the engine.
DeskServer::~DeskServer() = default;

std::string DeskServer::firstAgentEmail(const std::string& tenantId) {
    return "agent@" + tenantId + ".example";
}

// Without an agent nobody can answer, and an open door (a known password, an unauthenticated
// way to add agents) would be worse: the operator gets a random password in a file only they
// can read. The file is written before the agent exists, so a password is never lost.
void DeskServer::Impl::makeFirstAgent() {
    const std::string email = firstAgentEmail(tenant_.id);
    if (engine_->hasAgent(tenant_.id, email)) return;
    // Desks starting together on one database make one first agent: the others wait here, then
    // find it made.
    engine_->exclusively("first agent of " + tenant_.id, [&] {
        if (!engine_->hasAgent(tenant_.id, email)) writeFirstAgent(email);
    });
}

void DeskServer::Impl::writeFirstAgent(const std::string& email) {
    const std::string password = desk::secrets::randomToken();
    const std::string& path = options_.firstAgentFile;
    const std::string text = json{{"email", email}, {"password", password}, {"deskTenant", tenant_.id}}.dump() + "\n";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written = fd >= 0 && ::fchmod(fd, 0600) == 0 &&
                   ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int error = errno;
    if (fd >= 0) written = ::close(fd) == 0 && written;
    if (!written)
        throw std::runtime_error("cannot write the first agent's file " + path + ": " + std::strerror(error));
    engine_->ensureAgent(tenant_.id, email, "Agent", password);
    firstAgentWritten_ = path;
}

const std::string& DeskServer::firstAgentWritten() const {
    return impl_->firstAgentWritten_;
}

unsigned short DeskServer::port() const {
    return impl_->port_;
}

void DeskServer::run() {
    impl_->run();
}

void DeskServer::stop() {
    impl_->stop();
}

}  // namespace velmaro::deskserver
