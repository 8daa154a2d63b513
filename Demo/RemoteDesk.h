#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace velmaro::network {
class HttpWorker;
}

// The addresses of "URL[,URL…]", in order; empty when one of them is not an http(s) address.
std::vector<std::string> deskAddresses(const std::string& list);

// The demo's own side of a velmaro-desk over its protocol: it signs in as the desk's agent, sets
// up the user's earlier conversations through the customer API, answers in chats through the
// agent API and reads back what the desk kept. Blocking calls, safe from any thread.
class RemoteDesk {
public:
    struct Answer {
        long status = 0;  // 0: no answer
        nlohmann::json body;
        std::string transportError;
    };

    // Takes the first of the addresses where a desk answers and signs in there with the e-mail
    // and password of the agent file ({"email", "password"}). Throws std::runtime_error with a
    // message for a person.
    RemoteDesk(const std::vector<std::string>& urls, const std::string& agentFile);
    ~RemoteDesk();
    RemoteDesk(const RemoteDesk&) = delete;
    RemoteDesk& operator=(const RemoteDesk&) = delete;

    const std::string& url() const { return url_; }
    const std::string& agentName() const { return agentName_; }

    Answer request(const std::string& method, const std::string& path, const nlohmann::json& body = nullptr,
                   const std::string& token = "");

    // The user's history, as the embedded desk holds it from the start: a refund closed long
    // ago, an answered invoice, and two conversations with news (two and one unseen answers).
    // Answers the desk's ids under the names "kettle", "invoice", "parcel" and "slot". Throws
    // std::runtime_error when the desk refuses a step.
    std::map<std::string, std::string> seedHistory(const std::string& userToken);

    // The agent writes in the conversation; false when the desk refused.
    bool agentSays(const std::string& conversationId, const std::string& text);
    // Whether the agent sees a conversation with the id.
    bool hasConversation(const std::string& conversationId);
    // The score the desk keeps for the conversation, as the agents see it.
    std::optional<std::string> conversationScore(const std::string& conversationId);
    // The user behind the token as the desk keeps it, or null.
    nlohmann::json user(const std::string& userToken);

private:
    Answer expect(long status, const std::string& method, const std::string& path, const nlohmann::json& body,
                  const std::string& token);

    std::string url_;
    std::unique_ptr<velmaro::network::HttpWorker> worker_;
    std::string agentToken_;
    std::string agentName_;
};
