#include "support/Platform/LoopbackHTTPServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <stdexcept>

namespace {

const char* reasonPhrase(int status) {
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

void setNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

struct Connection {
    int fd = -1;
    std::string request;
    bool answered = false;  // request complete, response chosen
    std::chrono::steady_clock::time_point sendAt;
    std::string output;
    std::size_t sent = 0;
};

}  // namespace

LoopbackHTTPServer::LoopbackHTTPServer(std::chrono::seconds lifetime) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("LoopbackHTTPServer: socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listener_);
        throw std::runtime_error("LoopbackHTTPServer: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    setNonBlocking(listener_);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::close(listener_);
        throw std::runtime_error("LoopbackHTTPServer: pipe failed");
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    const auto end = std::chrono::steady_clock::now() + lifetime;
    thread_ = std::thread([this, end] { serve(end); });
}

LoopbackHTTPServer::~LoopbackHTTPServer() {
    stop();
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

void LoopbackHTTPServer::stop() {
    if (!thread_.joinable()) return;
    const char byte = 's';
    (void)!::write(wakeWrite_, &byte, 1);
    thread_.join();
}

std::string LoopbackHTTPServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHTTPServer::respond(const std::string& path, Response response) {
    std::lock_guard lock(mutex_);
    responses_[path] = std::move(response);
}

void LoopbackHTTPServer::respond(const std::string& path, std::string body, std::string contentType) {
    Response response;
    response.body = std::move(body);
    response.headers.emplace_back("Content-Type", std::move(contentType));
    respond(path, std::move(response));
}

std::size_t LoopbackHTTPServer::requestCount(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = counts_.find(path);
    return it == counts_.end() ? 0 : it->second;
}

std::map<std::string, std::string> LoopbackHTTPServer::lastRequestHeaders(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = lastHeaders_.find(path);
    return it == lastHeaders_.end() ? std::map<std::string, std::string>{} : it->second;
}

void LoopbackHTTPServer::serve(std::chrono::steady_clock::time_point end) {
    using Clock = std::chrono::steady_clock;
    std::vector<Connection> connections;
    const auto closeConnection = [](Connection& connection) {
        ::close(connection.fd);
        connection.fd = -1;
    };
    for (;;) {
        const auto now = Clock::now();
        if (now >= end) break;
        // Wake for the earliest delayed response, the end of the lifetime, or any socket event.
        auto wakeAt = end;
        std::vector<pollfd> polled{{wakeRead_, POLLIN, 0}, {listener_, POLLIN, 0}};
        for (auto& connection : connections) {
            short events = 0;
            if (!connection.answered) events = POLLIN;
            else if (connection.sendAt <= now) events = POLLOUT;
            else wakeAt = std::min(wakeAt, connection.sendAt);
            polled.push_back({connection.fd, events, 0});
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - now).count() + 1;
        if (::poll(polled.data(), polled.size(), static_cast<int>(std::min<long long>(wait, 1000))) < 0 && errno != EINTR)
            break;
        if (polled[0].revents != 0) break;  // stop()
        if (polled[1].revents & POLLIN) {
            for (;;) {
                const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd < 0) break;
                connections.push_back(Connection{fd});
            }
        }
        for (std::size_t i = 0; i + 2 < polled.size(); ++i) {
            Connection& connection = connections[i];
            const short revents = polled[i + 2].revents;
            if (revents == 0) continue;
            if (!connection.answered) {
                char buffer[4096];
                const ssize_t n = ::read(connection.fd, buffer, sizeof buffer);
                if (n <= 0) {
                    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
                    closeConnection(connection);
                    continue;
                }
                connection.request.append(buffer, static_cast<std::size_t>(n));
                const auto headerEnd = connection.request.find("\r\n\r\n");
                if (headerEnd == std::string::npos) {
                    if (connection.request.size() > 65536) closeConnection(connection);
                    continue;
                }
                // "GET /path?query HTTP/1.1"
                const auto lineEnd = connection.request.find("\r\n");
                const std::string line = connection.request.substr(0, lineEnd);
                const auto firstSpace = line.find(' ');
                const auto secondSpace = line.find(' ', firstSpace + 1);
                std::string target = firstSpace == std::string::npos
                                         ? "/"
                                         : line.substr(firstSpace + 1, secondSpace - firstSpace - 1);
                const std::string path = target.substr(0, target.find('?'));
                std::map<std::string, std::string> headers;
                std::size_t position = lineEnd + 2;
                while (position < headerEnd) {
                    const auto next = connection.request.find("\r\n", position);
                    const std::string header = connection.request.substr(position, next - position);
                    if (auto colon = header.find(':'); colon != std::string::npos) {
                        std::string name = header.substr(0, colon);
                        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
                        std::string value = header.substr(colon + 1);
                        value.erase(0, value.find_first_not_of(' '));
                        headers[name] = value;
                    }
                    position = next + 2;
                }
                Response response;
                {
                    std::lock_guard lock(mutex_);
                    ++counts_[path];
                    lastHeaders_[path] = std::move(headers);
                    if (auto it = responses_.find(path); it != responses_.end())
                        response = it->second;
                    else
                        response = Response{404, {{"Content-Type", "text/plain"}}, "not found"};
                }
                std::string output = "HTTP/1.1 " + std::to_string(response.status) + " " + reasonPhrase(response.status) + "\r\n";
                for (const auto& [name, value] : response.headers) output += name + ": " + value + "\r\n";
                if (response.sendContentLength) output += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
                output += "Connection: close\r\n\r\n" + response.body;
                connection.output = std::move(output);
                connection.answered = true;
                connection.sendAt = Clock::now() + response.delay;
            } else {
                const ssize_t n = ::send(connection.fd, connection.output.data() + connection.sent,
                                         connection.output.size() - connection.sent, MSG_NOSIGNAL);
                if (n < 0) {
                    if (errno == EAGAIN || errno == EINTR) continue;
                    closeConnection(connection);
                    continue;
                }
                connection.sent += static_cast<std::size_t>(n);
                if (connection.sent == connection.output.size()) {
                    ::shutdown(connection.fd, SHUT_WR);
                    closeConnection(connection);
                }
            }
        }
        connections.erase(std::remove_if(connections.begin(), connections.end(), [](const Connection& c) { return c.fd < 0; }),
                          connections.end());
    }
    for (auto& connection : connections) ::close(connection.fd);
    ::close(listener_);
    listener_ = -1;
}
