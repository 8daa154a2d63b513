#pragma once

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "support/Browser/ChildProcess.h"

namespace velmaro::testing {

// velmaro-desk started on a port it picks (or `listen`), with an in-memory database (or the file
// `database`) and a tenant of one agent; stopped with SIGTERM by the destructor.
class DeskOnLoopback {
public:
    static constexpr const char* kAgentEmail = "alex@acme.example";
    static constexpr const char* kAgentPassword = "correct horse battery";

    DeskOnLoopback(const std::string& program, const std::string& scratch, const std::string& database = ":memory:",
                   const std::string& listen = "127.0.0.1:0");
    ~DeskOnLoopback();

    // Ends the desk at once, as a crash would (SIGKILL): no close frames, nothing flushed.
    void kill();

    const std::string& url() const { return url_; }  // http://127.0.0.1:port
    // The log (standard error) so far.
    std::string log() const;

private:
    std::string logFile_;
    std::unique_ptr<ChildProcess> process_;
    std::string url_;
};

// A customer in the background of a test (the one under test is the layer's chat screen).
class Customer {
public:
    virtual ~Customer() = default;
    // Opens a conversation and sends its description as the first message; answers its id.
    virtual std::string startConversation(const std::string& description) = 0;
    virtual void say(const std::string& conversationId, const std::string& text) = 0;
};

// A customer who talks to the desk over its customer API (HTTP), registered on creation.
std::unique_ptr<Customer> customerOverHttp(const std::string& deskUrl, const std::string& firstName,
                                           const std::string& lastName);

}  // namespace velmaro::testing
