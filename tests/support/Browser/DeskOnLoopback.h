#pragma once

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "support/Browser/ChildProcess.h"

namespace velmaro::testing {

// velmaro-desk started on a port it picks, with an in-memory database and a tenant of one agent;
// stopped with SIGTERM by the destructor.
class DeskOnLoopback {
public:
    static constexpr const char* kAgentEmail = "alex@acme.example";
    static constexpr const char* kAgentPassword = "correct horse battery";

    DeskOnLoopback(const std::string& program, const std::string& scratch);
    ~DeskOnLoopback();

    const std::string& url() const { return url_; }  // http://127.0.0.1:port
    // The log (standard error) so far.
    std::string log() const;

private:
    std::string logFile_;
    std::unique_ptr<ChildProcess> process_;
    std::string url_;
};

// The customer's side of a conversation. Behind this seam: the desk's customer API now; the
// chat screen on the network core can take its place without the tests changing.
class Customer {
public:
    virtual ~Customer() = default;
    // Opens a conversation and sends its description as the first message; answers its id.
    virtual std::string startConversation(const std::string& description) = 0;
    virtual void say(const std::string& conversationId, const std::string& text) = 0;
    // What the customer's chat shows: every entry's text (messages; the closing entry's
    // description), oldest first.
    virtual std::vector<std::string> shown(const std::string& conversationId) = 0;
    // Whether the customer is offered the rating (the conversation was closed).
    virtual bool ratingOffered(const std::string& conversationId) = 0;
    virtual void rate(const std::string& conversationId, const std::string& scoreId) = 0;
    // The customer reads the chat: the agent's messages count as seen.
    virtual void readChat(const std::string& conversationId) = 0;
};

// A customer who talks to the desk over its customer API (HTTP), registered on creation.
std::unique_ptr<Customer> customerOverHttp(const std::string& deskUrl, const std::string& firstName,
                                           const std::string& lastName);

}  // namespace velmaro::testing
