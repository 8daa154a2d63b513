#pragma once

#include <memory>
#include <optional>

#include "Foundation/Any.h"
#include "UIKit/UIColor.h"
#include "Velmaro/CoreInterface/ServiceError.h"
#include "Velmaro/CoreInterface/UserModel.h"

class UIViewController;
class UIWindow;

namespace velmaro {

// The one object a host creates to bring up the support screens. Construction remembers the
// host's identity of the end user, applies the tenant's colour, identifies or registers the end
// user and then puts the first support screen on the glass from the main queue: pushed onto the
// host screen's navigation controller, or presented from the host screen in a NavigationController.
// Work the facade starts (core completions, main-queue tasks) keeps it alive until it has run.
// Main thread only, unless an operation says otherwise.
class SupportUI : public std::enable_shared_from_this<SupportUI> {
public:
    // `init(initialViewController:window:userParameters:)`. User parameters: "userName",
    // "firstName", "lastName", "endUserToken". Without a view controller nothing is shown and no
    // user is checked; without a tenant configuration from the core library, likewise.
    // Throws VelmaroBundleNotFound when the framework's resources are not where the layer looks.
    static std::shared_ptr<SupportUI> make(std::shared_ptr<UIViewController> initialViewController = nullptr,
                                           std::shared_ptr<UIWindow> window = nullptr,
                                           std::optional<StringDictionary> userParameters = std::nullopt);

    // `handlePushNotification(pushNotificationData:)`: the user opened a push notification about
    // the conversation named under "conversationId" (text). Replaces the window's root with the
    // initial screen of the host's "Main" storyboard; when that is a navigation controller, the
    // user access, start and list screens go on top of its screens and the conversation's chat is
    // pushed on the next main-queue turn. Without a window, a "Main" initial screen or the
    // conversation's identifier as text, nothing changes. Main thread only.
    void handlePushNotification(const AnyDictionary& pushNotificationData);

    // ----- Within the layer

    // The host screen every support screen opened by this facade is pushed onto or presented from.
    std::shared_ptr<UIViewController> initialVC() const { return initialVC_; }
    void setInitialVC(std::shared_ptr<UIViewController> controller) { initialVC_ = std::move(controller); }

    // Onboarding: opens the user access screen, or registers the end user and then opens the start
    // screen (or shows the registration error on the host screen).
    void checkUserData(std::optional<StringDictionary> parameters, bool userNameRequired);
    // The given parameters, else the stored identity of the host, else the core's stored user,
    // else nothing (an empty dictionary).
    StringDictionary getUserParameters(std::optional<StringDictionary> parameters) const;
    // Registers the end user with the core library and reacts to the answer.
    void createUser(std::optional<StringDictionary> params);

    void utilizePrimaryColor(const UIColor& primaryColor);

    // Open the start screen or the user access screen: instantiated on the calling thread (any),
    // put on the glass from the main queue.
    void showStartController();
    void showLogin();

    std::shared_ptr<UIWindow> applicationWindowForTesting() const { return applicationWindow_; }

private:
    SupportUI() = default;
    void initialize(std::shared_ptr<UIViewController> initialViewController, std::shared_ptr<UIWindow> window,
                    std::optional<StringDictionary> userParameters);
    template <class Screen>
    void open();
    void handleNavigation(std::shared_ptr<UIViewController> viewController);
    void userCreated(std::optional<UserModel> user, std::optional<ServiceError> error);

    std::shared_ptr<UIViewController> initialVC_;
    std::shared_ptr<UIWindow> applicationWindow_;
};

}  // namespace velmaro
