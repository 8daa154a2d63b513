#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Velmaro/Velmaro.h"

class UIViewController;
class UIWindow;
namespace velmaro {
class SupportDesk;
}

// The shop app of this example: one window with its home screen in a navigation controller,
// the embedded support desk (or a velmaro-desk over the network) as the core library, and the support screens started from home.
struct HostApp {
    // The shop's brand colour; the support screens' bars take it from the tenant's configuration.
    static const UIColor& brandColor();

    std::shared_ptr<velmaro::SupportDesk> desk;
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIViewController> home;
    std::shared_ptr<velmaro::SupportUI> support;

    // Window, home screen and core library; call on the main thread once its run loop exists.
    // `latency`: seconds the desk takes to answer.
    static HostApp launch(double latency = 0.2);
    // The same app in the field: the network core talks to the velmaro-desk at `deskUrls`, one
    // address or several (desks on one database) separated by commas.
    static HostApp launchOnDesk(const std::string& deskUrls);
    // What the app's "Help" button does: the support screens, pushed over home.
    void openSupport();

private:
    void showHome();
};
