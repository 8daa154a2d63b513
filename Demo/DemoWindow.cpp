#include "Demo/DemoWindow.h"

#include <optional>
#include <string>
#include <stdexcept>

#include "Demo/DemoHost.h"
#include "Foundation/UserDefaults.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIToolbar.h"
#include "UIKit/UIWindow.h"
#include "UIKitWindow/GlassWindow.h"
#include "Velmaro/Helpers/KeyboardHelper.h"

namespace {

// Thrown out of the tour when the person closes the window: the tour ends there.
struct WindowClosed {};

}  // namespace

bool DemoWindow::tapNextArrow(const std::shared_ptr<UIWindow>& window) {
    auto responder = window ? window->firstResponder() : nullptr;
    auto toolbar = std::dynamic_pointer_cast<UIToolbar>(responder ? responder->inputAccessoryView() : nullptr);
    if (!toolbar) return false;
    for (const auto& item : toolbar->items()) {
        if (item->image() && item->image()->name() == "rightArrow" && item->isEnabled()) {
            item->sendAction();
            return true;
        }
    }
    return false;
}

int DemoWindow::runTour(const DemoTour::Options& options, double pace, std::ostream& out) {
    std::optional<GlassWindow> glass;
    DemoTour tour(out);
    tour.onStep = [&](int, const std::shared_ptr<UIWindow>& window) {
        if (!glass) {
            glass.emplace(window, GlassWindow::Options{title, 0});
            glass->onTab = [&glass] { return tapNextArrow(glass->window()); };
        }
        glass->setWindow(window);
        if (!glass->hold(pace)) throw WindowClosed{};
    };
    try {
        return tour.runTour(options);
    } catch (const WindowClosed&) {
        out << "\nThe window was closed: the tour ends here.\n";
        return 0;
    } catch (const std::runtime_error& error) {
        if (glass) throw;
        out << "velmaro-demo: " << error.what() << "\n";
        return 3;
    }
}

int DemoWindow::runInteractive(const DemoTour::Options& options, std::ostream& out) {
    UserDefaults::standard().remove("extuserName");
    auto made = options.open(true, out);
    if (!made) return 1;
    DemoHost& host = *made;
    // The host's forms get arrows and Done above the keyboard; Tab is the next arrow.
    velmaro::KeyboardHelper::shared()->enable = true;
    std::optional<GlassWindow> glass;
    try {
        glass.emplace(host.window(), GlassWindow::Options{title, 0});
    } catch (const std::runtime_error& error) {
        out << "velmaro-demo: " << error.what() << "\n";
        return 3;
    }
    glass->onTab = [&host] { return tapNextArrow(host.window()); };
    out << "velmaro-demo: the Acme shop app in a window; close the window to end." << std::endl;
    // Which screen is up, as it changes: the terminal follows what the person does.
    std::string shown;
    glass->runUntil([&] {
        auto name = DemoHost::screenName(host.topScreen());
        if (name != shown) out << "now on: " << (shown = name) << std::endl;
        return false;
    });
    out << "The window was closed." << std::endl;
    return 0;
}
