#pragma once

#include <chrono>
#include <memory>
#include <ostream>
#include <string>

#include "Desk/DeskStore.h"
#include "Desk/Secrets.h"
#include "DeskServer/Wire/TenantFile.h"

namespace velmaro::deskserver {

// velmaro-desk: the desk engine behind HTTP/1.1 and WebSocket (docs/protocol.md), for one tenant.
class DeskServer {
public:
    struct Options {
        std::string address = "127.0.0.1";
        unsigned short port = 8080;  // 0: any free port (see port())
        int threads = 2;
        // A request must arrive whole within this; also how long a kept-alive connection may idle.
        std::chrono::milliseconds requestTimeout{10'000};
        // A WebSocket whose peer answers no ping for this long is closed.
        std::chrono::milliseconds socketIdleTimeout{60'000};
        // How long requests in flight and closing handshakes get at shutdown.
        std::chrono::milliseconds shutdownGrace{5'000};
        bool handleSignals = false;  // SIGTERM and SIGINT stop the server
        desk::secrets::PasswordCost passwordCost = desk::secrets::PasswordCost::interactive;
        std::ostream* log = nullptr;  // one JSON line per request; none when null
        // The agents' console, served at /console; empty: no console.
        std::string consoleFolder;
        // How long a WebSocket ticket (POST /v1/socket-tickets) may wait for its socket.
        std::chrono::milliseconds ticketLifetime{30'000};
        // When the tenant file names no agents: where the desk's first agent, made at start with a
        // random password, is written (mode 0600). Empty: a desk without agents stays so.
        std::string firstAgentFile;
    };

    // The e-mail of the first agent a desk makes for itself.
    static std::string firstAgentEmail(const std::string& tenantId);

    // Sets up the engine on the store, with the tenant and its agents. Binds the address at
    // once: throws std::system_error (address in use, not allowed, …) or desk::DeskError.
    DeskServer(std::unique_ptr<desk::DeskStore> store, const TenantFile& tenant, Options options);
    ~DeskServer();
    DeskServer(const DeskServer&) = delete;
    DeskServer& operator=(const DeskServer&) = delete;

    unsigned short port() const;
    // The file the first agent was written to at this start, or empty when none was made.
    const std::string& firstAgentWritten() const;
    // Serves until stop(); then answers the requests in flight, sends WebSockets a close frame
    // ("going away") and returns. Runs Options::threads threads, the caller's among them.
    void run();
    // Safe from any thread, any number of times.
    void stop();

    class Impl;  // defined with the connections, in the source only

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace velmaro::deskserver
