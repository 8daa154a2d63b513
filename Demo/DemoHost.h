#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/Any.h"
#include "UIKit/UIColor.h"

class RemoteDesk;
namespace velmaro {
class CoreLibrary;
class SupportDesk;
class SupportUI;
}  // namespace velmaro
class HostHomeViewController;
class UIViewController;
class UIWindow;

namespace velmaro {

// Whether a screen is of the given kind.
template <class Screen>
bool isA(const std::shared_ptr<UIViewController>& controller) {
    return std::dynamic_pointer_cast<Screen>(controller) != nullptr;
}
}  // namespace velmaro

// The demo host application: a window with the host's storyboard "Main" (its home screen in a
// navigation controller) and the embedded support desk of the tenant "Acme" installed as the core
// library, holding a few conversations of the user's. "Help & support" starts the support layer.
// Destroying the host closes every screen and uninstalls the desk. Main thread only.
class DemoHost {
public:
    struct Options {
        bool userNameRequired = false;
        // The user the host knows, handed to the layer when it starts.
        std::optional<StringDictionary> userParameters;
        std::optional<std::uint64_t> chaosSeed;
        // A velmaro-desk to use instead of the embedded desk, and the file with its agent's
        // e-mail and password (the demo answers as that agent).
        std::optional<std::string> deskUrl;
        std::string agentFile = "velmaro-desk-agent.json";
    };
    using ScreenTest = std::function<bool(const std::shared_ptr<UIViewController>&)>;

    // Ids of the conversations the desk holds from the start.
    static constexpr const char* closedConversation = "kettle";
    static constexpr const char* answeredConversation = "invoice";
    static constexpr const char* parcelConversation = "parcel";
    static constexpr const char* slotConversation = "slot";
    static const UIColor& acmeRed();

    // Throws std::runtime_error, with a message for a person, when the desk of Options::deskUrl
    // does not answer or refuses the agent.
    explicit DemoHost(Options options);
    ~DemoHost();
    DemoHost(const DemoHost&) = delete;
    DemoHost& operator=(const DemoHost&) = delete;

    const std::shared_ptr<UIWindow>& window() const { return window_; }
    // The host's home screen under the window's root now.
    std::shared_ptr<HostHomeViewController> home() const;
    // The embedded desk; null on a velmaro-desk.
    velmaro::SupportDesk* embeddedDesk() const { return desk_.get(); }
    bool onRemoteDesk() const { return remote_ != nullptr; }

    // What the tour and the prompt ask of either desk.
    // The colour the support screens take: Acme's red on the embedded desk, the tenant's on a desk.
    UIColor brandColor() const;
    // The desk's id of one of the conversations it holds from the start ("kettle", ...), or of a
    // conversation the agent can see; nothing when there is none.
    std::optional<std::string> conversationId(const std::string& name) const;
    // Whether any user has been registered with the desk from this host.
    bool anyUserRegistered() const;
    // The signed-in user's last name as the desk keeps it.
    std::string lastNameOnDesk() const;
    std::optional<std::string> conversationScore(const std::string& conversationId) const;
    // The agent writes in the conversation; false when the desk refused.
    bool agentSays(const std::string& conversationId, const std::string& text) const;
    // The agent answers the customer's latest message: the embedded desk's agent does so by
    // itself after a pause; on a desk the demo answers through the agent API, as that agent would.
    bool agentAnswers(const std::string& conversationId) const;
    // Empty, or what went wrong while the desk was set up for the user.
    std::string setupProblem() const;
    // Null until the layer has been started.
    const std::shared_ptr<velmaro::SupportUI>& support() const { return support_; }

    // What "Help & support" does: the layer starts over the home screen with the host's user.
    void startSupport();
    // The user the host knows from now on (it signed in to the host's own app, say).
    void setUserParameters(std::optional<StringDictionary> userParameters) {
        options_.userParameters = std::move(userParameters);
    }
    std::shared_ptr<UIViewController> topScreen() const;
    // Runs the main loop until the top screen passes the test (5 s at most) and the transition
    // has ended; true when it passed.
    bool settle(const ScreenTest& done) const;
    // The desk's users on one line, for the narration.
    std::string usersLine() const;

    // A short name for what a screen is ("start", "chat", ... "host home").
    static std::string screenName(const std::shared_ptr<UIViewController>& screen);

private:
    void seedConversations();
    void useRemoteDesk();

    Options options_;
    std::shared_ptr<velmaro::SupportDesk> desk_;
    std::shared_ptr<RemoteDesk> remote_;
    std::shared_ptr<velmaro::CoreLibrary> core_;
    // Set up on the core's thread when the user registers; read on the main thread.
    struct Setup;
    std::shared_ptr<Setup> setup_;
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<velmaro::SupportUI> support_;
};
