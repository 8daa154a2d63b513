#include "HostApp.h"

#include "CoreSimulator/SupportDesk.h"
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

    app.home = std::make_shared<UIViewController>();
    app.home->setTitle("Home");
    app.window = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
    app.window->setRootViewController(UINavigationController::make(app.home));
    app.window->makeKeyAndVisible();
    return app;
}

void HostApp::openSupport() {
    // One call: the layer identifies the user with the core and puts its first screen up from
    // the main queue. Keep the object: work it started holds it only until it has run.
    support = SupportUI::make(home, window, StringDictionary{{"firstName", "Ann"}, {"lastName", "Lee"}});
}
