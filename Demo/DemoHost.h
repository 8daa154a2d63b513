#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/Any.h"
#include "UIKit/UIColor.h"

namespace velmaro {
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
    };
    using ScreenTest = std::function<bool(const std::shared_ptr<UIViewController>&)>;

    // Ids of the conversations the desk holds from the start.
    static constexpr const char* closedConversation = "kettle";
    static constexpr const char* answeredConversation = "invoice";
    static constexpr const char* parcelConversation = "parcel";
    static constexpr const char* slotConversation = "slot";
    static const UIColor& acmeRed();

    explicit DemoHost(Options options);
    ~DemoHost();
    DemoHost(const DemoHost&) = delete;
    DemoHost& operator=(const DemoHost&) = delete;

    const std::shared_ptr<UIWindow>& window() const { return window_; }
    // The host's home screen under the window's root now.
    std::shared_ptr<HostHomeViewController> home() const;
    velmaro::SupportDesk& desk() const { return *desk_; }
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

    Options options_;
    std::shared_ptr<velmaro::SupportDesk> desk_;
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<velmaro::SupportUI> support_;
};
