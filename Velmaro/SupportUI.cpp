#include "Velmaro/SupportUI.h"

#include "Foundation/UserDefaults.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/Controllers/UserAccess/NavigationController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/CoreInterface/CoreService.h"
#include "Velmaro/CoreInterface/StoredKeys.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "Velmaro/VelmaroApplication.h"

namespace velmaro {

namespace {

std::optional<std::string> parameter(const StringDictionary& parameters, const std::string& key) {
    auto it = parameters.find(key);
    if (it == parameters.end()) return std::nullopt;
    return it->second;
}

// The host's identity as the user defaults keep it; only text counts.
std::optional<StringDictionary> storedIdentity() {
    auto& defaults = UserDefaults::standard();
    auto userName = defaults.string(StoredKeys::extUserName);
    if (!userName) return std::nullopt;
    StringDictionary identity{{"userName", *userName}};
    if (auto firstName = defaults.string(StoredKeys::extFirstName)) identity["firstName"] = *firstName;
    if (auto lastName = defaults.string(StoredKeys::extLastName)) identity["lastName"] = *lastName;
    return identity;
}

}  // namespace

std::shared_ptr<SupportUI> SupportUI::make(std::shared_ptr<UIViewController> initialViewController,
                                           std::shared_ptr<UIWindow> window,
                                           std::optional<StringDictionary> userParameters) {
    setUpVelmaroBundle();
    // Onboarding hands the facade to core completions, so it must be shared before it starts.
    std::shared_ptr<SupportUI> facade(new SupportUI());
    facade->initialize(std::move(initialViewController), std::move(window), std::move(userParameters));
    return facade;
}

void SupportUI::initialize(std::shared_ptr<UIViewController> initialViewController, std::shared_ptr<UIWindow> window,
                           std::optional<StringDictionary> userParameters) {
    if (userParameters) {
        const auto& given = *userParameters;
        if (auto userName = parameter(given, "userName")) {
            auto& defaults = UserDefaults::standard();
            if (auto token = parameter(given, "endUserToken")) {
                defaults.set(*token, StoredKeys::endUserToken);
                defaults.synchronize();
            }
            defaults.set(*userName, StoredKeys::extUserName);
            // First and last name belong to this user name: a missing one must not survive from
            // an earlier identity.
            if (auto firstName = parameter(given, "firstName"))
                defaults.set(*firstName, StoredKeys::extFirstName);
            else
                defaults.remove(StoredKeys::extFirstName);
            if (auto lastName = parameter(given, "lastName"))
                defaults.set(*lastName, StoredKeys::extLastName);
            else
                defaults.remove(StoredKeys::extLastName);
            defaults.synchronize();
        }
    }
    if (initialViewController) {
        initialVC_ = std::move(initialViewController);
        if (auto config = Config::loadConfig()) {
            utilizePrimaryColor(uiColor(config->primaryColor));
            checkUserData(userParameters, config->userNameRequired);
        }
    }
    // Only now: whatever ran synchronously above saw no window.
    if (window) applicationWindow_ = std::move(window);
}

void SupportUI::checkUserData(std::optional<StringDictionary> parameters, bool userNameRequired) {
    if (userNameRequired) {
        // The host's parameters were copied into the stored identity already; it alone decides.
        if (auto identity = storedIdentity())
            createUser(std::move(*identity));
        else
            showLogin();
        return;
    }
    createUser(getUserParameters(std::move(parameters)));
}

StringDictionary SupportUI::getUserParameters(std::optional<StringDictionary> parameters) const {
    if (parameters) return std::move(*parameters);
    if (auto identity = storedIdentity()) return std::move(*identity);
    if (auto user = UserModel::loadUser())
        return {{"firstName", user->firstName}, {"lastName", user->lastName}, {"userName", user->userName}};
    return {};
}

void SupportUI::createUser(std::optional<StringDictionary> params) {
    CoreService::shared().createEndUser(params.value_or(StringDictionary{}),
                                        mainQueueCompletion(shared_from_this(), &SupportUI::userCreated));
}

void SupportUI::userCreated(std::optional<UserModel> user, std::optional<ServiceError> error) {
    if (!user) {
        // A core that answers neither a user nor an error still failed; say so rather than nothing.
        if (initialVC_) showAlert(initialVC_, "Error", error ? error->customDescription : registrationFailedMessage);
        return;
    }
    if (UserDefaults::standard().string(StoredKeys::tokenKey(user->id))) {
        showStartController();
        return;
    }
    auto stored = UserModel::loadUser();
    if (!stored) return;
    // Whatever authentication answers, the user goes on to the start screen.
    stored->authenticateUser(mainQueueCompletion(
        shared_from_this(), [](SupportUI& self, bool, const std::optional<ServiceError>&) { self.showStartController(); }));
}

void SupportUI::utilizePrimaryColor(const UIColor& primaryColor) {
    VelmaroApplication::utilizePrimaryColor(primaryColor);
}

void SupportUI::showStartController() { open<StartViewController>(); }

void SupportUI::showLogin() { open<UserAccessViewController>(); }

template <class Screen>
void SupportUI::open() {
    auto screen = instantiateVC<Screen>(*loadStoryboard(Storyboard::Velmaro));
    // Always through the queue, even from the main thread: nothing appears before the
    // initialiser has returned.
    deferToNextTurn([self = shared_from_this(), screen = std::move(screen)] {
        self->handleNavigation(screen);
    });
}

void SupportUI::handleNavigation(std::shared_ptr<UIViewController> viewController) {
    if (!initialVC_) return;
    if (auto navigation = initialVC_->navigationController()) {
        navigation->pushViewController(std::move(viewController), true);
        return;
    }
    auto navigation = UINavigationController::make<NavigationController>(std::move(viewController));
    navigation->navigationBar()->setTranslucent(true);
    initialVC_->present(navigation, true, nullptr);
}

}  // namespace velmaro
