#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "Foundation/Any.h"

namespace velmaro {
class SupportDesk;
class SupportUI;
class ChatViewController;
}  // namespace velmaro
class UIViewController;
class UIWindow;

// Runs the demo host: a window with the host's storyboard, the embedded support desk for the
// tenant "Acme", and the support layer built from them; prints the glass after each step.
class DemoTour {
public:
    struct Options {
        bool userNameRequired = false;
        std::optional<StringDictionary> userParameters;
    };

    explicit DemoTour(std::ostream& out) : out_(out) {}

    // The scripted tour of what the layer does; 0 when every step showed what it should.
    int runTour();
    // One start of the layer as the options say; 0 when a first screen or an alert appeared.
    int runOnce(const Options& options);

private:
    struct Host {
        std::shared_ptr<UIWindow> window;
        std::shared_ptr<UIViewController> initialScreen;
        std::shared_ptr<velmaro::SupportDesk> desk;
        std::shared_ptr<velmaro::SupportUI> support;
    };

    // A fresh window showing the host's home screen (inside the storyboard's navigation
    // controller, or bare), and a fresh support desk installed as the core library.
    Host makeHost(bool inNavigationController, bool userNameRequired);
    void startSupport(Host& host, std::optional<StringDictionary> userParameters);
    // Runs the main loop until the top screen passes the test and the transitions are over.
    bool settle(const Host& host, const std::function<bool(const std::shared_ptr<UIViewController>&)>& done);
    void step(const std::string& caption);
    void printGlass(const Host& host);
    void printUsers(const Host& host);
    // Opens a seeded conversation of the desk, sends a message and waits for the agent.
    void runChat(const Host& host);
    void printSeenMarks(const velmaro::ChatViewController& chat);
    // The start screen's panel of unseen conversations, a row opening its chat, and the list of
    // conversations with its open and closed halves.
    void runConversations(Host& host);
    // The host's own form with the layer's keyboard helper switched on.
    void runKeyboardHelper();
    // A push notification opened while the host shows its own screen lands in that chat.
    void runPushNotification();
    // Logging in with an invalid and then a valid address, a conversation opened from a
    // description into its chat, the profile edited and saved, and the logout.
    void runAccountScreens();
    bool check(bool condition, const std::string& failure);

    std::ostream& out_;
    int stepNumber_ = 0;
    bool failed_ = false;
};
