#include "Demo/RemoteDesk.h"

#include <fstream>
#include <future>
#include <sstream>
#include <stdexcept>

#include "NetworkCore/HttpWorker.h"

using nlohmann::json;

std::vector<std::string> deskAddresses(const std::string& list) {
    std::vector<std::string> urls;
    std::size_t start = 0;
    for (;;) {
        const auto comma = list.find(',', start);
        std::string url = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if ((url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) ||
            url.find_first_of(" \t\r\n") != std::string::npos)
            return {};
        urls.push_back(std::move(url));
        if (comma == std::string::npos) return urls;
        start = comma + 1;
    }
}

RemoteDesk::RemoteDesk(const std::vector<std::string>& urls, const std::string& agentFile)
    : worker_(std::make_unique<velmaro::network::HttpWorker>(std::chrono::milliseconds(2000),
                                                             std::chrono::milliseconds(10000))) {
    std::string tried, problems;
    for (const auto& url : urls) {
        url_ = url;
        while (!url_.empty() && url_.back() == '/') url_.pop_back();
        auto health = request("GET", "/v1/health");
        if (health.status == 200 && health.body.is_object() && health.body.value("status", "") == "ok") break;
        tried += (tried.empty() ? "" : ", ") + url_;
        problems += (problems.empty() ? "" : "; ") +
                    (health.status == 0 ? health.transportError : "GET /v1/health answered " + std::to_string(health.status));
        url_.clear();
    }
    if (url_.empty()) throw std::runtime_error("no support desk answers at " + tried + " (" + problems + ")");
    std::ifstream in(agentFile);
    if (!in)
        throw std::runtime_error("cannot read the agent file " + agentFile +
                                 " (a desk whose tenant had no agent writes it beside its database; pass "
                                 "--agent-file PATH)");
    std::stringstream text;
    text << in.rdbuf();
    const json file = json::parse(text.str(), nullptr, false);
    if (!file.is_object() || !file.value("email", json()).is_string() || !file.value("password", json()).is_string())
        throw std::runtime_error("the agent file " + agentFile + " holds no \"email\" and \"password\"");
    auto session = request("POST", "/v1/agent/sessions",
                           {{"email", file["email"]}, {"password", file["password"]}});
    if (session.status != 201 || !session.body.is_object())
        throw std::runtime_error("the desk at " + url_ + " refused the agent of " + agentFile + " (status " +
                                 std::to_string(session.status) + ")");
    agentToken_ = session.body.value("token", "");
    agentName_ = session.body.value("agent", json::object()).value("name", "");
}

RemoteDesk::~RemoteDesk() = default;

RemoteDesk::Answer RemoteDesk::request(const std::string& method, const std::string& path, const json& body,
                                       const std::string& token) {
    velmaro::network::HttpRequest request;
    request.method = method;
    request.url = url_ + path;
    if (!body.is_null()) request.body = body.dump();
    if (!token.empty()) request.headers.push_back("Authorization: Bearer " + token);
    std::promise<velmaro::network::HttpResponse> done;
    auto answered = done.get_future();
    worker_->perform(request, [&done](velmaro::network::HttpResponse response) { done.set_value(std::move(response)); });
    auto response = answered.get();
    return {response.status, json::parse(response.body, nullptr, false), response.transportError};
}

RemoteDesk::Answer RemoteDesk::expect(long status, const std::string& method, const std::string& path,
                                      const json& body, const std::string& token) {
    auto answer = request(method, path, body, token);
    if (answer.status != status)
        throw std::runtime_error(method + " " + path + " answered " + std::to_string(answer.status) +
                                 (answer.body.is_object() ? ": " + answer.body.value("detail", "") : ""));
    return answer;
}

std::map<std::string, std::string> RemoteDesk::seedHistory(const std::string& userToken) {
    struct Past {
        const char* name;
        const char* subject;
        std::vector<const char*> answers;
        bool closed, seen;
    };
    // Oldest first: the desk lists the newest first, as the embedded desk's dates do.
    const Past history[] = {{"kettle", "Refund for a returned kettle", {"The refund is on its way."}, true, true},
                            {"invoice", "Invoice address is wrong", {"We will correct it."}, false, true},
                            {"parcel", "Parcel not delivered", {"We are looking into it.", "It goes out today."}, false, false},
                            {"slot", "Change my delivery slot", {"Thursday works."}, false, false}};
    std::map<std::string, std::string> ids;
    for (const auto& past : history) {
        const std::string id =
            expect(201, "POST", "/v1/conversations", {{"description", past.subject}}, userToken).body.value("id", "");
        ids[past.name] = id;
        expect(201, "POST", "/v1/conversations/" + id + "/messages", {{"message", "Hello, I need help."}}, userToken);
        for (const char* answer : past.answers)
            expect(201, "POST", "/v1/agent/conversations/" + id + "/messages", {{"message", answer}}, agentToken_);
        if (past.closed) expect(200, "POST", "/v1/agent/conversations/" + id + "/close", json::object(), agentToken_);
        if (past.seen) expect(200, "POST", "/v1/conversations/" + id + "/seen", json::object(), userToken);
    }
    return ids;
}

bool RemoteDesk::agentSays(const std::string& conversationId, const std::string& text) {
    return request("POST", "/v1/agent/conversations/" + conversationId + "/messages", {{"message", text}}, agentToken_)
               .status == 201;
}

bool RemoteDesk::hasConversation(const std::string& conversationId) {
    if (conversationId.empty() || conversationId.size() > 100 ||
        conversationId.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_") !=
            std::string::npos)
        return false;
    return request("GET", "/v1/agent/conversations/" + conversationId, nullptr, agentToken_).status == 200;
}

std::optional<std::string> RemoteDesk::conversationScore(const std::string& conversationId) {
    auto answer = request("GET", "/v1/agent/conversations/" + conversationId, nullptr, agentToken_);
    if (answer.status != 200 || !answer.body.is_object() || !answer.body.contains("scoreId") ||
        !answer.body["scoreId"].is_string())
        return std::nullopt;
    return answer.body["scoreId"].get<std::string>();
}

json RemoteDesk::user(const std::string& userToken) {
    if (userToken.empty()) return nullptr;
    auto answer = request("GET", "/v1/users/me", nullptr, userToken);
    return answer.status == 200 ? answer.body : json();
}
