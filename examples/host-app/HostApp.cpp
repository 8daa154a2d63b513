#include "HostApp.h"

#include <algorithm>

#include "CoreSimulator/SupportDesk.h"
#include "NetworkCore/NetworkCore.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"

using namespace velmaro;

const UIColor& HostApp::brandColor() {
    static const UIColor teal = colorWithHexValue(0x00797C);
    return teal;
}

HostApp HostApp::launch(double latency) {
    HostApp app;

    // The core library goes in before any support screen: every screen talks to it.
    Config tenant;
    tenant.tenantId = "shop";
    tenant.name = "The Shop";
    tenant.primaryColor = brandColor();  // the theme: the layer tints its bars with it
    SupportDesk::Options options;
    options.latency = latency;
    app.desk = std::make_shared<SupportDesk>(tenant, options);
    installCoreLibrary(app.desk);
    app.showHome();
    return app;
}

HostApp HostApp::launchOnDesk(const std::string& deskUrls) {
    HostApp app;
    NetworkCore::Options options;
    // The tenant, its colour and agents are the desk's. Several desks on one database: the core
    // moves to the next address when its desk is gone.
    for (std::size_t start = 0; start <= deskUrls.size();) {
        const auto comma = std::min(deskUrls.find(',', start), deskUrls.size());
        options.deskUrls.push_back(deskUrls.substr(start, comma - start));
        start = comma + 1;
    }
    installCoreLibrary(std::make_shared<NetworkCore>(options));
    app.showHome();
    return app;
}

void HostApp::showHome() {
    home = std::make_shared<UIViewController>();
    home->setTitle("Home");
    window = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
    window->setRootViewController(UINavigationController::make(home));
    window->makeKeyAndVisible();
}

void HostApp::openSupport() {
    // One call: the layer identifies the user with the core and puts its first screen up from
    // the main queue. Keep the object: work it started holds it only until it has run.
    support = SupportUI::make(home, window, StringDictionary{{"firstName", "Ann"}, {"lastName", "Lee"}});
}
