#include "support/Browser/DeskOnLoopback.h"

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/Browser/Http.h"

namespace velmaro::testing {

using nlohmann::json;

DeskOnLoopback::DeskOnLoopback(const std::string& program, const std::string& scratch, const std::string& database,
                               const std::string& listen) {
    const auto folder = std::filesystem::path(scratch);
    std::filesystem::create_directories(folder);
    const auto tenant = (folder / "tenant.json").string();
    logFile_ = (folder / "desk.log").string();
    std::ofstream(tenant) << json{{"tenantId", "acme"},
                                  {"name", "Acme"},
                                  {"primaryColor", "#48DFB2"},
                                  {"userNameRequired", false},
                                  {"agents", {{{"email", kAgentEmail}, {"name", "Alex"}, {"password", kAgentPassword}}}}};
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{program, "--db", database, "--listen", listen, "--tenant", tenant}, logFile_);
    // The first line says where it listens; it comes once the port is bound.
    const std::string line = process_->readLine();
    const auto at = line.find("http://");
    if (at == std::string::npos) throw std::runtime_error("velmaro-desk did not start: " + line);
    url_ = line.substr(at, line.find(' ', at) - at);
}

DeskOnLoopback::~DeskOnLoopback() {
    if (process_) process_->stop(SIGTERM);
}

void DeskOnLoopback::kill() {
    if (process_) process_->stop(SIGKILL);
}

std::string DeskOnLoopback::log() const {
    std::ifstream in(logFile_);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

class HttpCustomer : public Customer {
public:
    HttpCustomer(std::string desk, const std::string& firstName, const std::string& lastName)
        : desk_(std::move(desk)) {
        auto answer = httpRequest("POST", desk_ + "/v1/users",
                                  json{{"firstName", firstName}, {"lastName", lastName}}.dump());
        if (answer.status != 201) throw std::runtime_error("registering failed: " + answer.body);
        token_ = json::parse(answer.body)["token"];
    }

    std::string startConversation(const std::string& description) override {
        const std::string id = call("POST", "/v1/conversations", {{"description", description}})["id"];
        say(id, description);
        return id;
    }
    void say(const std::string& id, const std::string& text) override {
        call("POST", "/v1/conversations/" + id + "/messages", {{"message", text}});
    }

private:
    json call(const std::string& method, const std::string& path, const json& body = nullptr) {
        auto answer = httpRequest(method, desk_ + path, body.is_null() ? std::string() : body.dump(),
                                  {{"Authorization", "Bearer " + token_}});
        if (answer.status < 200 || answer.status > 299)
            throw std::runtime_error(method + " " + path + ": " + std::to_string(answer.status) + " " + answer.body);
        return json::parse(answer.body);
    }

    std::string desk_, token_;
};

}  // namespace

std::unique_ptr<Customer> customerOverHttp(const std::string& deskUrl, const std::string& firstName,
                                           const std::string& lastName) {
    return std::make_unique<HttpCustomer>(deskUrl, firstName, lastName);
}

}  // namespace velmaro::testing
