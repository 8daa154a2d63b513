// velmaro-desk under load, server and load in one process on loopback. A desk on a SQLite file
// (write-ahead log, as the program runs) with 1,000 chats open: how many messages per second it
// receives, commits and echoes, beside a bare echo over the same WebSocket stack with as many
// sockets (the ceiling); and the time from a send to its echo at a fixed 10,000 messages per
// second. The load is one thread of Asio with Beast's WebSocket client.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Desk/DeskEngine.h"
#include "Desk/SqliteDeskStore.h"
#include "DeskServer/Beast.h"
#include "DeskServer/DeskServer.h"

namespace velmaro::deskserver {
namespace {

using LoadClock = std::chrono::steady_clock;
constexpr int kOpenChats = 1000;
constexpr int kServerThreads = 2;

// --- The ceiling: a WebSocket server that sends every frame back --------------------------------

class BareEcho {
public:
    BareEcho() : acceptor_(ioc_, tcp::endpoint(net::ip::make_address("127.0.0.1"), 0)) {
        accept();
        for (int i = 0; i < kServerThreads; ++i) threads_.emplace_back([this] { ioc_.run(); });
    }
    ~BareEcho() {
        ioc_.stop();
        for (auto& thread : threads_) thread.join();
    }
    unsigned short port() const { return acceptor_.local_endpoint().port(); }

private:
    struct Session : std::enable_shared_from_this<Session> {
        explicit Session(tcp::socket socket) : ws(std::move(socket)) {}
        void start() {
            ws.async_accept([self = shared_from_this()](beast::error_code ec) {
                if (!ec) self->read();
            });
        }
        void read() {
            ws.async_read(buffer, [self = shared_from_this()](beast::error_code ec, std::size_t) {
                if (ec) return;
                self->ws.text(self->ws.got_text());
                self->ws.async_write(self->buffer.data(), [self](beast::error_code written, std::size_t) {
                    if (written) return;
                    self->buffer.consume(self->buffer.size());
                    self->read();
                });
            });
        }
        websocket::stream<beast::tcp_stream> ws;
        beast::flat_buffer buffer;
    };

    void accept() {
        acceptor_.async_accept(net::make_strand(ioc_), [this](beast::error_code ec, tcp::socket socket) {
            if (ec) return;
            socket.set_option(tcp::no_delay(true), ec);  // as the desk does
            std::make_shared<Session>(std::move(socket))->start();
            accept();
        });
    }

    net::io_context ioc_;
    tcp::acceptor acceptor_;
    std::vector<std::thread> threads_;
};

// --- The desk, on a file set up beforehand with its users and conversations ----------------------

class DeskUnderLoad {
public:
    DeskUnderLoad() : folder_(std::filesystem::temp_directory_path() / ("desk-load-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(folder_);
        const std::string db = (folder_ / "desk.db").string();
        TenantFile tenant = TenantFile::standard();
        {
            desk::DeskEngine engine(std::make_unique<desk::SqliteDeskStore>(db));
            engine.putTenant(tenant.tenant);
            for (int i = 0; i < kOpenChats; ++i) {
                auto registration = engine.registerUser(tenant.tenant.id, "load" + std::to_string(i), "", "");
                auto conversation = engine.createConversation(registration.user.id, "Where is my parcel?");
                chats.push_back({registration.token, conversation.id});
            }
        }
        DeskServer::Options options;
        options.port = 0;
        options.threads = kServerThreads;
        server_ = std::make_unique<DeskServer>(std::make_unique<desk::SqliteDeskStore>(db), tenant, options);
        thread_ = std::thread([this] { server_->run(); });
    }
    ~DeskUnderLoad() {
        server_->stop();
        thread_.join();
        server_.reset();
        std::filesystem::remove_all(folder_);
    }
    unsigned short port() const { return server_->port(); }

    struct Chat {
        std::string token, conversationId;
    };
    std::vector<Chat> chats;

private:
    std::filesystem::path folder_;
    std::unique_ptr<DeskServer> server_;
    std::thread thread_;
};

// --- The load: 1,000 WebSockets on one thread --------------------------------------------------

class Load {
public:
    // Connects a socket to each target: chats of a desk, or sockets of a bare echo.
    Load(unsigned short port, const std::vector<std::pair<std::string, std::string>>& targetsAndTokens,
         bool desk)
        : desk_(desk) {
        for (const auto& [target, token] : targetsAndTokens) {
            auto socket = std::make_unique<Socket>(ioc_);
            socket->ws.next_layer().connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
            socket->ws.next_layer().socket().set_option(tcp::no_delay(true));
            socket->ws.set_option(websocket::stream_base::decorator([token = token](websocket::request_type& req) {
                if (!token.empty()) req.set(http::field::authorization, "Bearer " + token);
            }));
            socket->ws.handshake("127.0.0.1", target);
            socket->ws.text(true);
            sockets_.push_back(std::move(socket));
        }
        for (auto& socket : sockets_) read(*socket);
        // The desk greets each chat (CONNECTED; the chats ask for nothing it has already).
        if (desk_) runUntil([&] { return greetings_ >= sockets_.size(); });
    }
    ~Load() {
        for (auto& socket : sockets_) {
            beast::error_code ignored;
            socket->ws.next_layer().socket().shutdown(tcp::socket::shutdown_both, ignored);
            socket->ws.next_layer().close();
        }
        ioc_.restart();
        ioc_.run_for(std::chrono::milliseconds(200));
    }
    std::size_t sockets() const { return sockets_.size(); }

    // Closed loop: every socket keeps one message on its way, sending the next on each echo,
    // until `count` more echoes have come.
    void closedLoop(std::size_t count) {
        const std::size_t target = echoes_ + count;
        if (!flowing_) {
            flowing_ = true;
            for (auto& socket : sockets_) send(*socket);
        }
        runUntil([&] { return echoes_ >= target; });
    }
    // Stops the closed loop and waits for every message on its way.
    void drain() {
        flowing_ = false;
        runUntil([&] { return inFlight_ == 0; });
    }

    // Open loop: `count` messages at `perSecond`, spread over the sockets in turn whatever the
    // echoes do; answers each one's time from send to echo, in microseconds.
    std::vector<double> openLoop(std::size_t count, double perSecond) {
        latencies_.clear();
        const auto start = LoadClock::now();
        const auto interval = std::chrono::duration<double>(1.0 / perSecond);
        std::size_t sent = 0;
        net::steady_timer timer(ioc_);
        std::function<void()> tick = [&] {
            const auto due = static_cast<std::size_t>(std::chrono::duration<double>(LoadClock::now() - start) / interval);
            for (; sent < std::min(due + 1, count); ++sent) send(*sockets_[next_++ % sockets_.size()]);
            if (sent < count) {
                timer.expires_at(start + std::chrono::duration_cast<LoadClock::duration>(interval * double(sent)));
                timer.async_wait([&](beast::error_code ec) {
                    if (!ec) tick();
                });
            }
        };
        tick();
        runUntil([&] { return sent == count && inFlight_ == 0; });
        return latencies_;
    }

private:
    struct Socket {
        explicit Socket(net::io_context& ioc) : ws(ioc) {}
        websocket::stream<beast::tcp_stream> ws;
        beast::flat_buffer buffer;
        std::deque<std::string> outgoing;
        std::deque<LoadClock::time_point> sentAt;  // of the messages on their way, oldest first
        bool writing = false;
    };

    template <class Done>
    void runUntil(Done done) {
        const auto deadline = LoadClock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (LoadClock::now() > deadline) throw std::runtime_error("the load stalled");
            ioc_.restart();
            ioc_.run_one_for(std::chrono::milliseconds(100));
        }
    }

    void send(Socket& socket) {
        std::string frame = R"({"type":"send","message":"Where is my parcel? It was due on Monday.","clientMessageId":"load-)" +
                            std::to_string(++counter_) + "\"}";
        socket.outgoing.push_back(std::move(frame));
        socket.sentAt.push_back(LoadClock::now());
        ++inFlight_;
        if (!socket.writing) write(socket);
    }

    void write(Socket& socket) {
        socket.writing = true;
        socket.ws.async_write(net::buffer(socket.outgoing.front()), [this, &socket](beast::error_code ec, std::size_t) {
            if (ec) throw std::runtime_error("the load could not send: " + ec.message());
            socket.outgoing.pop_front();
            socket.writing = false;
            if (!socket.outgoing.empty()) write(socket);
        });
    }

    void read(Socket& socket) {
        socket.ws.async_read(socket.buffer, [this, &socket](beast::error_code ec, std::size_t) {
            if (ec) return;  // closed at the end
            const auto* data = static_cast<const char*>(socket.buffer.data().data());
            const std::string_view frame(data, socket.buffer.size());
            // The desk answers a send with its response and then the echo; the echo counts.
            const bool echo = !desk_ || frame.find("RECEIVED_MESSAGE_RESPONSE") != std::string_view::npos;
            if (desk_ && frame.find("\"ERROR\"") != std::string_view::npos)
                throw std::runtime_error("the desk refused a send: " + std::string(frame));
            socket.buffer.consume(socket.buffer.size());
            if (echo && !socket.sentAt.empty()) {
                latencies_.push_back(
                    std::chrono::duration<double, std::micro>(LoadClock::now() - socket.sentAt.front()).count());
                socket.sentAt.pop_front();
                --inFlight_;
                ++echoes_;
                if (flowing_) send(socket);
            } else if (desk_ && frame.find("SEND_MESSAGE_RESPONSE") == std::string_view::npos) {
                ++greetings_;
            }
            read(socket);
        });
    }

    net::io_context ioc_;
    std::vector<std::unique_ptr<Socket>> sockets_;
    bool desk_;
    bool flowing_ = false;
    std::size_t echoes_ = 0, inFlight_ = 0, greetings_ = 0, next_ = 0;
    std::uint64_t counter_ = 0;
    std::vector<double> latencies_;
};

// One desk and one bare echo for the whole run, each with its 1,000 sockets: opening them takes
// longer than a smoke run of the benchmarks.
struct Stage {
    DeskUnderLoad desk;
    BareEcho bare;
    std::unique_ptr<Load> deskLoad, bareLoad;

    Stage() {
        std::vector<std::pair<std::string, std::string>> chats, plain;
        for (const auto& chat : desk.chats) {
            chats.emplace_back("/v1/conversations/" + chat.conversationId + "/chat?after=1", chat.token);
            plain.emplace_back("/", "");
        }
        deskLoad = std::make_unique<Load>(desk.port(), chats, true);
        bareLoad = std::make_unique<Load>(bare.port(), plain, false);
    }
    static Stage& shared() {
        static Stage stage;
        return stage;
    }
};

void throughput(benchmark::State& state, Load& load) {
    // One round per iteration: as many echoes as sockets.
    for (auto _ : state) load.closedLoop(load.sockets());
    load.drain();
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(load.sockets()));
    state.counters["open_chats"] = static_cast<double>(load.sockets());
}

void BM_DeskServerMessagesThrough1000OpenChats(benchmark::State& state) {
    throughput(state, *Stage::shared().deskLoad);
}
BENCHMARK(BM_DeskServerMessagesThrough1000OpenChats)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BareWebSocketEchoThrough1000Sockets(benchmark::State& state) {
    throughput(state, *Stage::shared().bareLoad);
}
BENCHMARK(BM_BareWebSocketEchoThrough1000Sockets)->Unit(benchmark::kMillisecond)->UseRealTime();

// Send to echo at 10,000 messages per second: each iteration is 1,000 messages (a tenth of a
// second); p50 and p99 over all of them.
void BM_DeskServerSendToEchoAt10000PerSecond(benchmark::State& state) {
    auto& load = *Stage::shared().deskLoad;
    std::vector<double> all;
    for (auto _ : state) {
        auto latencies = load.openLoop(1000, 10'000);
        all.insert(all.end(), latencies.begin(), latencies.end());
    }
    std::sort(all.begin(), all.end());
    auto at = [&](double q) { return all.empty() ? 0.0 : all[std::min(all.size() - 1, std::size_t(q * all.size()))]; };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = all.empty() ? 0.0 : all.back();
    state.SetItemsProcessed(static_cast<std::int64_t>(all.size()));
}
BENCHMARK(BM_DeskServerSendToEchoAt10000PerSecond)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velmaro::deskserver
