#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"

#include <algorithm>
#include <iostream>
#include <variant>

#include "Foundation/NotificationCenter.h"
#include "Foundation/RegularExpression.h"
#include "Foundation/TextHelpers.h"
#include "Foundation/UserDefaults.h"
#include "UIKit/UIKeyboard.h"
#include "UIKit/UINavigationController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/CoreInterface/CoreService.h"
#include "Velmaro/CoreInterface/StoredKeys.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/VelmaroApplication.h"

namespace velmaro {

namespace {

bool hasCharacters(const Outlet<UITextField>& field) {
    return field && userPerceivedCharacterCount(field->text().value_or("")) > 0;
}

}  // namespace

std::shared_ptr<UserAccessViewController> UserAccessViewController::sharedScreen() {
    return std::static_pointer_cast<UserAccessViewController>(sharedController());
}

// ----- Lifecycle

void UserAccessViewController::viewDidLoad() {
    TitledViewController::viewDidLoad();
    checkUserData();
    if (fldFirstName && fldLastName && fldUsername)
        connectFields({fldFirstName.get(), fldLastName.get(), fldUsername.get()});
    if (auto config = Config::loadConfig(); config && btnConfirm) btnConfirm->setBackgroundColor(uiColor(config->primaryColor));
}

void UserAccessViewController::viewWillAppear(bool) {
    setupNavigationAppearance();
    subscribeForKeyboardNotifications();
}

void UserAccessViewController::viewWillDisappear(bool) { NotificationCenter::defaultCenter().removeObserver(this); }

void UserAccessViewController::viewDidDisappear(bool) {
    // Once a screen has been pushed over this one, this screen leaves the stack, so going back
    // from the start screen does not return to the form. Only this screen: the screens below it
    // may be the host's own.
    auto navigation = navigationController();
    if (!navigation) return;
    auto stack = navigation->viewControllers();
    auto self = sharedController();
    auto found = std::find(stack.begin(), stack.end(), self);
    if (found == stack.end() || found + 1 == stack.end()) return;
    stack.erase(found);
    navigation->setViewControllers(std::move(stack), false);
}

void UserAccessViewController::setupNavigationAppearance() {
    if (auto navigation = navigationController()) navigation->setNavigationBarHidden(false, true);
    navigationItem().setBackBarButtonItem(
        std::make_shared<UIBarButtonItem>(std::optional<std::string>(""), UIBarButtonItem::Style::plain));
}

void UserAccessViewController::subscribeForKeyboardNotifications() {
    auto& center = NotificationCenter::defaultCenter();
    // Appearing twice must not observe twice.
    center.removeObserver(this);
    auto self = sharedScreen();
    observeKeyboardMoves(center, self, &UserAccessViewController::adjustForKeyboard);
    // The core posts this from a thread of its own.
    observeOnMainQueue(center, self, savedAuthNotification,
                       [](UserAccessViewController& screen, const Notification&) { screen.showStartViewController(); });
}

// ----- The form

void UserAccessViewController::checkUserData() {
    const auto& defaults = UserDefaults::standard();
    const std::pair<const char*, const Outlet<UITextField>*> pairs[] = {
        {StoredKeys::userName, &fldUsername}, {StoredKeys::firstName, &fldFirstName}, {StoredKeys::lastName, &fldLastName}};
    for (const auto& [key, field] : pairs) {
        if (auto stored = defaults.string(key); stored && *field) (*field)->setText(*stored);
    }
}

void UserAccessViewController::textFieldEditingChanged(const std::shared_ptr<UITextField>& sender) {
    auto& defaults = UserDefaults::standard();
    const char* key = nullptr;
    if (sender && sender == fldFirstName.get())
        key = StoredKeys::extFirstName;
    else if (sender && sender == fldLastName.get())
        key = StoredKeys::extLastName;
    else if (sender && sender == fldUsername.get())
        key = StoredKeys::extUserName;
    if (key) {
        if (const auto& text = sender->text())
            defaults.set(*text, key);
        else
            defaults.remove(key);
    }
    defaults.synchronize();
}

void UserAccessViewController::textFieldDidBeginEditing(const std::shared_ptr<UITextField>& field) {
    if (field) activeField = field;
}

bool UserAccessViewController::textFieldShouldReturn(const std::shared_ptr<UITextField>& field) {
    if (field && field->returnKeyType() == UIReturnKeyType::done) {
        field->resignFirstResponder();
        btnLoginPressed(std::make_shared<UIButton>());
    }
    return true;
}

void UserAccessViewController::adjustForKeyboard(const Notification& notification) {
    auto root = view();
    const CGRect keyboard = root->convertRectFrom(UIKeyboard::endFrame(notification.userInfo).value_or(CGRect{}), nullptr);
    const bool hiding = notification.name == UIKeyboardWillHideNotification;
    const CGFloat overlap = height(*root) - activeField->frame().maxY() - keyboard.height();
    UIView::animate(0.2, [root, hiding, overlap] {
        const CGFloat y = !hiding && overlap < 0 ? overlap : 0;
        root->setFrame(CGRect{0, y, width(*root), height(*root)});
    });
}

// ----- Confirming

void UserAccessViewController::btnLoginPressed(const std::shared_ptr<UIButton>&) {
    // A second registration while the first is outstanding could push a second start screen.
    if (requestInProgress) return;
    const std::string userName = fldUsername ? fldUsername->text().value_or("") : "";
    if (userPerceivedCharacterCount(userName) == 0) {
        showAlert(sharedScreen(), "Validation error", "Please enter your email");
        return;
    }
    if (!isValidEmailAddress(userName)) {
        auto& defaults = UserDefaults::standard();
        defaults.remove(StoredKeys::extUserName);
        defaults.synchronize();
        showAlert(sharedScreen(), "Validation error", "Please use proper email adress");
        return;
    }
    StringDictionary parameters{{"userName", userName}};
    if (hasCharacters(fldLastName)) parameters["lastName"] = *fldLastName->text();
    if (hasCharacters(fldFirstName)) parameters["firstName"] = *fldFirstName->text();
    requestInProgress = true;
    CoreService::shared().createEndUser(std::move(parameters),
                                        mainQueueCompletion(sharedScreen(), &UserAccessViewController::userCreated));
}

bool UserAccessViewController::isValidEmailAddress(const std::string& emailAddressString) const {
    auto compiled = RegularExpression::compile(emailPattern);
    if (auto* error = std::get_if<RegularExpression::Error>(&compiled)) {
        std::cout << "invalid regex: " << error->localizedDescription << std::endl;
        return false;
    }
    const auto& expression = std::get<RegularExpression>(compiled);
    return expression.numberOfMatches(emailAddressString, NSRange{0, utf16Length(emailAddressString)}) > 0;
}

void UserAccessViewController::userCreated(std::optional<UserModel> user, std::optional<ServiceError> error) {
    requestInProgress = false;
    if (!user) {
        showAlert(sharedScreen(), "Error", error ? error->customDescription : registrationFailedMessage);
        return;
    }
    // The core posts "SavedAuth" once the user is authenticated; the screen moves on then.
    if (auto stored = UserModel::loadUser()) stored->authenticateUser();
}

void UserAccessViewController::showStartViewController() {
    auto start = instantiateVC<StartViewController>(*loadStoryboard(Storyboard::Velmaro));
    deferToNextTurn([self = sharedScreen(), start] {
        auto navigation = self->navigationController();
        // Only from the top: a second "SavedAuth" (or one that arrives after the form has left)
        // pushes nothing.
        if (!navigation || navigation->topViewController() != self) return;
        navigation->pushViewController(start, true);
    });
}

// ----- Leaving

void UserAccessViewController::dismissHelp(const std::shared_ptr<UIBarButtonItem>&) {
    auto navigation = navigationController();
    if (navigation) {
        navigation->navigationItem().setHidesBackButton(true, false);
        navigation->setNavigationBarHidden(true, true);
    }
    VelmaroApplication::utilizePrimaryColor(appPrimaryColor());
    if (navigation && !navigation->popViewController(true)) navigation->dismiss(true);
}

}  // namespace velmaro
