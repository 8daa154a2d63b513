#include "support/Browser/WebDriver.h"

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

#include "support/Browser/Http.h"

namespace velmaro::testing {

using nlohmann::json;

namespace {

constexpr const char* kChromium = "/usr/bin/chromium";
constexpr const char* kChromeDriver = "/usr/bin/chromedriver";
// An element reference's key, fixed by the WebDriver standard.
constexpr const char* kElement = "element-6066-11e4-a52e-4f735466cecf";

std::string decodeBase64(const std::string& text) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string out;
    int bits = 0, buffer = 0;
    for (char c : text) {
        const int v = value(c);
        if (v < 0) continue;
        buffer = (buffer << 6) | v;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> WebDriver::unavailable() {
    for (const char* program : {kChromium, kChromeDriver})
        if (::access(program, X_OK) != 0) return std::string(program) + " is not installed";
    return std::nullopt;
}

WebDriver::WebDriver(const std::string& scratch, int width, int height) {
    const auto profile = std::filesystem::path(scratch) / "chromium-profile";
    std::filesystem::remove_all(profile);
    std::filesystem::create_directories(profile);
    // chromedriver cannot be told to pick a port; a free one is taken just before.
    const unsigned short port = freeLoopbackPort();
    base_ = "http://127.0.0.1:" + std::to_string(port);
    driver_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{kChromeDriver, "--port=" + std::to_string(port), "--allowed-ips=127.0.0.1"},
        (std::filesystem::path(scratch) / "chromedriver.log").string(), false);
    const bool ready = waitUntil([&] {
        auto answer = httpRequest("GET", base_ + "/status", {}, {}, 1000);
        return answer.status == 200 && json::parse(answer.body, nullptr, false).value("/value/ready"_json_pointer, false);
    });
    if (!ready) throw std::runtime_error("chromedriver did not answer on " + base_);
    const json args = {"--headless",
                       "--no-sandbox",
                       "--disable-gpu",
                       "--disable-quic",
                       "--no-first-run",
                       "--disable-background-networking",
                       "--disable-component-update",
                       "--disable-sync",
                       "--disable-dev-shm-usage",
                       "--user-data-dir=" + profile.string(),
                       "--window-size=" + std::to_string(width) + "," + std::to_string(height)};
    json capabilities = {{"capabilities",
                          {{"alwaysMatch",
                            {{"browserName", "chrome"},
                             {"goog:chromeOptions", {{"binary", kChromium}, {"args", args}}},
                             {"unhandledPromptBehavior", "ignore"}}}}}};
    auto created = command("POST", "/session", capabilities);
    session_ = "/session/" + created.value("sessionId", "");
}

WebDriver::~WebDriver() {
    if (!session_.empty()) httpRequest("DELETE", base_ + session_, {}, {}, 10'000);
    if (driver_) driver_->stop(SIGTERM);
}

json WebDriver::command(const std::string& method, const std::string& path, const json& body) {
    auto answer = httpRequest(method, base_ + path, body.is_null() ? std::string() : body.dump());
    json parsed = json::parse(answer.body, nullptr, false);
    if (answer.status != 200 || parsed.is_discarded())
        throw std::runtime_error("WebDriver " + method + " " + path + ": " + std::to_string(answer.status) + " " +
                                 answer.body.substr(0, 400));
    return parsed["value"];
}

void WebDriver::go(const std::string& url) {
    command("POST", session_ + "/url", {{"url", url}});
}

std::string WebDriver::find(const std::string& css) {
    return command("POST", session_ + "/element", {{"using", "css selector"}, {"value", css}})[kElement];
}

void WebDriver::click(const std::string& element) {
    command("POST", session_ + "/element/" + element + "/click", json::object());
}

void WebDriver::clear(const std::string& element) {
    command("POST", session_ + "/element/" + element + "/clear", json::object());
}

void WebDriver::type(const std::string& element, const std::string& keys) {
    command("POST", session_ + "/element/" + element + "/value", {{"text", keys}});
}

json WebDriver::script(const std::string& body, const json& args) {
    return command("POST", session_ + "/execute/sync", {{"script", body}, {"args", args}});
}

json WebDriver::asyncScript(const std::string& body, const json& args) {
    return command("POST", session_ + "/execute/async", {{"script", body}, {"args", args}});
}

std::optional<std::string> WebDriver::alertText() {
    auto answer = httpRequest("GET", base_ + session_ + "/alert/text");
    if (answer.status != 200) return std::nullopt;  // "no such alert"
    return json::parse(answer.body, nullptr, false).value("value", std::string());
}

std::string WebDriver::screenshot() {
    return decodeBase64(command("GET", session_ + "/screenshot").get<std::string>());
}

bool WebDriver::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        try {
            if (condition()) return true;
        } catch (const std::exception&) {
            // Not there yet: a page loading, an element not yet drawn.
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace velmaro::testing
