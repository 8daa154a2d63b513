#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Desk/SqliteDeskStore.h"
#include "DeskServer/Beast.h"
#include "DeskServer/DeskServer.h"
#include "NetworkCore/HttpWorker.h"

namespace velmaro::testing_desk {

using deskserver::json;
namespace net = deskserver::net;
using deskserver::tcp;

// velmaro-desk in this process on a loopback port it picks, over an SQLite file, with one agent
// (alex@acme.example, "correct horse"). stop() and start() again keep the file and the port.
class LoopbackDesk {
public:
    explicit LoopbackDesk(std::string databasePath) : databasePath_(std::move(databasePath)) { start(); }
    ~LoopbackDesk() { stop(); }

    void start() {
        deskserver::TenantFile tenant;
        tenant.tenant = {"acme", "Acme", "", "#FF0000", false};
        tenant.agents.push_back({"alex@acme.example", "Alex", "correct horse", ""});
        deskserver::DeskServer::Options options;
        options.port = port_;
        options.threads = 2;
        options.shutdownGrace = std::chrono::milliseconds(500);
        options.passwordCost = desk::secrets::PasswordCost::minimum;
        server_ = std::make_unique<deskserver::DeskServer>(std::make_unique<desk::SqliteDeskStore>(databasePath_),
                                                           tenant, options);
        port_ = server_->port();
        thread_ = std::thread([server = server_.get()] { server->run(); });
    }
    void stop() {
        if (!server_) return;
        server_->stop();
        thread_.join();
        server_.reset();
    }

    unsigned short port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    std::string databasePath_;
    unsigned short port_ = 0;
    std::unique_ptr<deskserver::DeskServer> server_;
    std::thread thread_;
};

// Blocking requests for the test's own side (the agent, checks), over the core's own worker.
class TestHttp {
public:
    struct Answer {
        long status = 0;
        json body;
    };
    explicit TestHttp(std::string base) : base_(std::move(base)) {}

    Answer request(const std::string& method, const std::string& path, const json& body = nullptr,
                   const std::string& token = "") {
        network::HttpRequest request;
        request.method = method;
        request.url = base_ + path;
        if (!body.is_null()) request.body = body.dump();
        if (!token.empty()) request.headers.push_back("Authorization: Bearer " + token);
        std::promise<network::HttpResponse> done;
        worker_.perform(request, [&](network::HttpResponse response) { done.set_value(std::move(response)); });
        auto response = done.get_future().get();
        return {response.status, json::parse(response.body, nullptr, false)};
    }
    std::string agentToken() {
        return request("POST", "/v1/agent/sessions", {{"email", "alex@acme.example"}, {"password", "correct horse"}})
            .body.value("token", "");
    }
    // The agent writes in the conversation; answers the status.
    long agentSays(const std::string& token, const std::string& conversationId, const std::string& text) {
        return request("POST", "/v1/agent/conversations/" + conversationId + "/messages", {{"message", text}}, token)
            .status;
    }
    // Every message of the conversation, as the agent sees it.
    std::vector<json> messages(const std::string& token, const std::string& conversationId) {
        auto answer = request("GET", "/v1/agent/conversations/" + conversationId + "/messages", nullptr, token);
        std::vector<json> list;
        if (answer.body.is_object() && answer.body.contains("messages"))
            for (auto& message : answer.body["messages"]) list.push_back(message);
        return list;
    }

private:
    std::string base_;
    network::HttpWorker worker_{std::chrono::milliseconds(2000), std::chrono::milliseconds(5000)};
};

// A TCP relay on loopback between the core and the desk that can cut every connection, stall
// (hold what passes until resumed), delay each chunk, swallow the desk's answers, and records
// what the client sent.
class Proxy {
public:
    explicit Proxy(unsigned short upstream) : upstream_(upstream), acceptor_(io_, {net::ip::make_address("127.0.0.1"), 0}) {
        port_ = acceptor_.local_endpoint().port();
        accept();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~Proxy() {
        net::post(io_, [this] {
            acceptor_.close(ignored_);
            for (auto& pipe : pipes_) pipe->close();
        });
        io_.stop();
        thread_.join();
    }

    unsigned short port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // Closes every connection open now.
    void cutAll() {
        std::promise<void> done;
        net::post(io_, [&] {
            for (auto& pipe : pipes_) pipe->close();
            pipes_.clear();
            done.set_value();
        });
        done.get_future().wait();
    }
    void setStalled(bool stalled) {
        net::post(io_, [this, stalled] {
            stalled_ = stalled;
            if (!stalled)
                for (auto& pipe : pipes_) pipe->resume();
        });
    }
    void setDelay(std::chrono::milliseconds delay) { delay_ = delay; }
    // The desk's next `count` answers are dropped, each closing its connection.
    void swallowAnswers(int count) { swallow_ = count; }
    std::string sentByClient() {
        std::lock_guard lock(mutex_);
        return sent_;
    }

private:
    struct Pipe : std::enable_shared_from_this<Pipe> {
        Proxy* proxy;
        tcp::socket client, server;
        std::vector<std::string> heldUp, heldDown;
        Pipe(Proxy* owner, tcp::socket accepted) : proxy(owner), client(std::move(accepted)), server(owner->io_) {}

        void start() {
            auto self = shared_from_this();
            server.async_connect({net::ip::make_address("127.0.0.1"), proxy->upstream_}, [self](auto ec) {
                if (ec) return self->close();
                self->pump(self->client, self->server, true);
                self->pump(self->server, self->client, false);
            });
        }
        void pump(tcp::socket& from, tcp::socket& to, bool up) {
            auto self = shared_from_this();
            auto buffer = std::make_shared<std::array<char, 16384>>();
            from.async_read_some(net::buffer(*buffer), [self, buffer, &from, &to, up](auto ec, std::size_t n) {
                if (ec) return self->close();
                std::string chunk(buffer->data(), n);
                if (up) {
                    std::lock_guard lock(self->proxy->mutex_);
                    self->proxy->sent_ += chunk;
                } else if (self->proxy->swallow_.fetch_sub(1) > 0) {
                    return self->close();
                } else {
                    self->proxy->swallow_ = 0;
                }
                self->forward(to, std::move(chunk), up, [self, &from, &to, up] { self->pump(from, to, up); });
            });
        }
        void forward(tcp::socket& to, std::string chunk, bool up, std::function<void()> next) {
            auto self = shared_from_this();
            if (proxy->stalled_) {
                (up ? heldUp : heldDown).push_back(chunk);
                stalledWrites.push_back({&to, std::move(next)});
                return;
            }
            auto write = [self, &to, chunk = std::make_shared<std::string>(std::move(chunk)), next]() {
                net::async_write(to, net::buffer(*chunk), [self, chunk, next](auto ec, std::size_t) {
                    if (ec) return self->close();
                    next();
                });
            };
            const auto delay = proxy->delay_.load();
            if (delay.count() == 0) return write();
            auto timer = std::make_shared<net::steady_timer>(proxy->io_, delay);
            timer->async_wait([timer, write](auto) { write(); });
        }
        struct StalledWrite {
            tcp::socket* to;
            std::function<void()> next;
        };
        std::vector<StalledWrite> stalledWrites;
        void resume() {
            auto writes = std::exchange(stalledWrites, {});
            auto up = std::exchange(heldUp, {});
            auto down = std::exchange(heldDown, {});
            std::size_t u = 0, d = 0;
            for (auto& write : writes) {
                const bool isUp = write.to == &server;
                forward(*write.to, isUp ? up[u++] : down[d++], isUp, write.next);
            }
        }
        void close() {
            boost::system::error_code ignored;
            client.close(ignored);
            server.close(ignored);
        }
    };

    void accept() {
        acceptor_.async_accept([this](auto ec, tcp::socket socket) {
            if (ec) return;
            auto pipe = std::make_shared<Pipe>(this, std::move(socket));
            pipes_.push_back(pipe);
            pipe->start();
            accept();
        });
    }

    unsigned short upstream_;
    net::io_context io_;
    tcp::acceptor acceptor_;
    unsigned short port_ = 0;
    std::list<std::shared_ptr<Pipe>> pipes_;
    bool stalled_ = false;
    std::atomic<std::chrono::milliseconds> delay_{std::chrono::milliseconds(0)};
    std::atomic<int> swallow_{0};
    std::mutex mutex_;
    std::string sent_;
    boost::system::error_code ignored_;
    std::thread thread_;
};

// A server on loopback that answers every request with the same bytes and closes, or, with
// none, accepts and never answers.
class BrokenDesk {
public:
    explicit BrokenDesk(std::string answer)
        : answer_(std::move(answer)), acceptor_(io_, {net::ip::make_address("127.0.0.1"), 0}) {
        accept();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~BrokenDesk() {
        io_.stop();
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(acceptor_.local_endpoint().port()); }

private:
    void accept() {
        acceptor_.async_accept([this](boost::system::error_code ec, tcp::socket socket) {
            if (ec) return;
            auto kept = std::make_shared<tcp::socket>(std::move(socket));
            held_.push_back(kept);
            if (!answer_.empty()) {
                auto buffer = std::make_shared<std::array<char, 4096>>();
                kept->async_read_some(net::buffer(*buffer), [this, kept, buffer](auto, std::size_t) {
                    net::async_write(*kept, net::buffer(answer_), [kept](auto, std::size_t) {
                        boost::system::error_code ignored;
                        kept->shutdown(tcp::socket::shutdown_both, ignored);
                    });
                });
            }
            accept();
        });
    }

    std::string answer_;
    net::io_context io_;
    tcp::acceptor acceptor_;
    std::vector<std::shared_ptr<tcp::socket>> held_;
    std::thread thread_;
};

}  // namespace velmaro::testing_desk
