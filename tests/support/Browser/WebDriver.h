#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/Browser/ChildProcess.h"

namespace velmaro::testing {

// Headless Chromium driven through WebDriver: chromedriver on a loopback port picked here, one
// browser session with a fresh profile, both stopped by the destructor.
class WebDriver {
public:
    // Why no browser can be driven here (chromium or chromedriver missing), or nothing.
    static std::optional<std::string> unavailable();

    // `scratch`: a folder for the profile and the driver's log.
    explicit WebDriver(const std::string& scratch, int width = 1280, int height = 800);
    ~WebDriver();
    WebDriver(const WebDriver&) = delete;
    WebDriver& operator=(const WebDriver&) = delete;

    void go(const std::string& url);
    // An element's reference, by CSS selector; throws when there is none.
    std::string find(const std::string& css);
    void click(const std::string& element);
    void clear(const std::string& element);
    // Keys as WebDriver sends them ("\ue007" Enter, "\ue008" Shift held until "\ue000").
    void type(const std::string& element, const std::string& keys);
    // Runs a function body in the page (`arguments` holds `args`) and answers its return value.
    nlohmann::json script(const std::string& body, const nlohmann::json& args = nlohmann::json::array());
    // Same, for a body that calls `arguments[arguments.length - 1](value)` when done.
    nlohmann::json asyncScript(const std::string& body, const nlohmann::json& args = nlohmann::json::array());
    // The text of an open alert, if one is open.
    std::optional<std::string> alertText();
    // The page as PNG bytes.
    std::string screenshot();
    // Asks again until the condition holds or the time is up; answers whether it held.
    static bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds within = std::chrono::seconds(10));

private:
    nlohmann::json command(const std::string& method, const std::string& path, const nlohmann::json& body = nullptr);

    std::unique_ptr<ChildProcess> driver_;
    std::string base_;     // http://127.0.0.1:port
    std::string session_;  // the session's path, /session/{id}
};

}  // namespace velmaro::testing
