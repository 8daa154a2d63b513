#include "Velmaro/Controllers/UserAccess/UserDetailsViewController.h"

#include <algorithm>

#include "Foundation/TextHelpers.h"
#include "Foundation/URLSession.h"
#include "Foundation/UserDefaults.h"
#include "UIKit/UIImage.h"
#include "UIKit/UINavigationController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/CoreInterface/CoreService.h"
#include "Velmaro/CoreInterface/StoredKeys.h"
#include "Velmaro/Helpers/ImageLoading.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/UIExtensions.h"

namespace velmaro {

std::shared_ptr<UserDetailsViewController> UserDetailsViewController::sharedScreen() {
    return std::static_pointer_cast<UserDetailsViewController>(sharedController());
}

void UserDetailsViewController::viewDidLoad() {
    UIViewController::viewDidLoad();
    setupUserData();
    if (auto config = Config::loadConfig(); config && btnLogout) btnLogout->setBackgroundColor(uiColor(config->primaryColor));
    navigationItem().setBackBarButtonItem(
        std::make_shared<UIBarButtonItem>(std::optional<std::string>(""), UIBarButtonItem::Style::plain));
    navigationItem().setTitle(std::string(screenTitle));
    if (UserDefaults::standard().string(StoredKeys::extUserName) && btnLogout) btnLogout->setHidden(false);
}

void UserDetailsViewController::setupUserData() {
    auto user = UserModel::loadUser();
    if (!user) return;
    if (txtFldFirstName) txtFldFirstName->setText(user->firstName);
    if (txtFldLastname) txtFldLastname->setText(user->lastName);
    auto url = coreImageURLFromString(user->avatarUrl);
    if (!url || !btnAvatar) return;
    // A download of its own, past the image cache: the avatar is fetched afresh each time the
    // profile opens. The button may be gone by the time it arrives.
    auto show = weakMainQueueCompletion(std::weak_ptr<UIButton>(btnAvatar.get()),
                                        [](UIButton& button, std::shared_ptr<UIImage> image) {
                                            button.setImage(std::move(image), UIControlStateNormal);
                                        });
    auto task = URLSession::shared().dataTask(
        *url, [show](std::optional<Data> data, std::optional<HTTPURLResponse> response, std::optional<URLError> error) {
            if (auto image = imageFromLoad(data, response, error)) show(std::move(image));
        });
    task->resume();
}

void UserDetailsViewController::editingChanged(const std::shared_ptr<UITextField>& sender) {
    auto user = UserModel::loadUser();
    if (!user || !sender || !btnSave) return;
    const std::string& stored = sender == txtFldFirstName.get() ? user->firstName : user->lastName;
    const auto& text = sender->text();
    btnSave->setEnabled(!text || *text != stored);
}

void UserDetailsViewController::saveUserData() {
    const std::string firstName = txtFldFirstName ? txtFldFirstName->text().value_or("") : "";
    const std::string lastName = txtFldLastname ? txtFldLastname->text().value_or("") : "";
    if (userPerceivedCharacterCount(firstName) == 0) {
        showAlert(sharedScreen(), "Error", "Please fill firstname");
        return;
    }
    if (userPerceivedCharacterCount(lastName) == 0) {
        showAlert(sharedScreen(), "Error", "Please fill lastname");
        return;
    }
    CoreService::shared().updateUser({{"firstName", firstName}, {"lastName", lastName}},
                                     mainQueueCompletion(sharedScreen(), &UserDetailsViewController::userSaved));
}

void UserDetailsViewController::userSaved(std::optional<UserModel>, std::optional<ServiceError> error) {
    if (error) showAlert(sharedScreen(), "error", error->customDescription);
}

void UserDetailsViewController::logout() {
    auto user = UserModel::loadUser();
    if (!user) return;
    user->clearUserDetails();
    auto navigation = navigationController();
    if (!navigation) return;
    const auto stack = navigation->viewControllers();
    auto start = std::find_if(stack.begin(), stack.end(), [](const std::shared_ptr<UIViewController>& screen) {
        return std::dynamic_pointer_cast<StartViewController>(screen) != nullptr;
    });
    if (start == stack.end()) return;
    if (start == stack.begin()) {
        navigation->dismiss(true);
        return;
    }
    navigation->popToViewController(*(start - 1), true);
}

}  // namespace velmaro
