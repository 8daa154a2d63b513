// A push payload as the host hands it over, opened over a host whose storyboard has a
// navigation controller around its home screen, with a core that knows the tenant.

#include <memory>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/UIStoryboardTestApi.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "Velmaro/SupportUI.h"
#include "support/Velmaro/RecordingCore.h"

using namespace velmaro;

namespace {

constexpr const char* hostStoryboard = "Main";

// The host's storyboard for one input; forgotten again afterwards.
class HostStoryboard {
public:
    HostStoryboard() {
        UIStoryboard::registerScene(hostStoryboard, "Root", [](const UIStoryboard&) {
            return UINavigationController::make(std::make_shared<UIViewController>());
        });
        UIStoryboard::setInitialScene(hostStoryboard, "Root");
    }
    ~HostStoryboard() { UIStoryboardTestApi::unregisterStoryboard(hostStoryboard); }
    HostStoryboard(const HostStoryboard&) = delete;
    HostStoryboard& operator=(const HostStoryboard&) = delete;
};

// The core for one input; uninstalled again afterwards.
class InstalledCore {
public:
    InstalledCore() : core_(RecordingCore::install()) {
        Config config;
        config.tenantId = "acme";
        config.name = "Acme";
        config.primaryColor = colorWithHexValue(0xFF0000);
        core_->setConfig(config);
    }
    ~InstalledCore() { installCoreLibrary(nullptr); }
    InstalledCore(const InstalledCore&) = delete;
    InstalledCore& operator=(const InstalledCore&) = delete;

private:
    std::shared_ptr<RecordingCore> core_;
};

}  // namespace

int fuzzPushPayload(const std::uint8_t* data, std::size_t size) {
    const auto value = fuzzsupport::anyFromJson(data, size);
    if (!value || !value->dictionary()) return 0;
    setUpVelmaroBundle();  // once per process, as the facade does

    fuzzsupport::FreshMainLoop loop;
    HostStoryboard storyboard;
    InstalledCore core;
    auto window = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
    {
        auto support = SupportUI::make(nullptr, window);
        loop.settle(UIViewController::transitionDuration);
        support->handlePushNotification(*value->dictionary());
        loop.settle(UIViewController::transitionDuration);
        // A payload naming a conversation ends on its chat.
        if (auto conversationId = stringValue(*value->dictionary(), "conversationId")) {
            auto navigation = std::dynamic_pointer_cast<UINavigationController>(window->rootViewController());
            auto chat = navigation ? std::dynamic_pointer_cast<ChatViewController>(navigation->topViewController())
                                   : nullptr;
            fuzzsupport::check(chat != nullptr, "a push payload did not open its chat");
            fuzzsupport::check(conversationId->empty() || (chat->conversation && chat->conversation->id == *conversationId),
                               "the chat opened for another conversation");
        }
    }
    window->endEditing(true);
    window->setRootViewController(nullptr);
    loop.settle(UIViewController::transitionDuration);
    return 0;
}
