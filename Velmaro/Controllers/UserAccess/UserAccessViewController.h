#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Foundation/Notification.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextFieldDelegate.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "Velmaro/CoreInterface/ServiceError.h"
#include "Velmaro/CoreInterface/UserModel.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"

namespace velmaro {

// Where the end user identifies with an e-mail address and optionally a name, when the tenant
// needs a user name and none is known. Every edit is written through to the stored identity; a
// valid confirm registers the user, and the screen moves on to the start screen only when the
// core posts "SavedAuth". The start screen then takes this screen's place in the stack.
class UserAccessViewController : public TitledViewController,
                                 public StoryboardIdentifiable,
                                 public UITextFieldDelegate {
public:
    static constexpr const char* storyboardIdentifier = "UserAccessViewController";
    static constexpr const char* savedAuthNotification = "SavedAuth";
    // As stored, and searched, not anchored: ".-_" in the first class is a range from the full
    // stop to the underscore.
    static constexpr const char* emailPattern = "[A-Z0-9a-z.-_]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,3}";

    Outlet<UITextField> fldFirstName;
    Outlet<UITextField> fldLastName;
    Outlet<UIButton> btnConfirm;
    // Kept for callers; nothing in the layer reads or changes it.
    bool userExists = false;
    // A registration is outstanding: confirms are ignored until it answers.
    bool requestInProgress = false;

    // The e-mail field is the screen's own; the scene connects it like the others.
    void connectFldUsername(SceneKey key, const std::shared_ptr<UITextField>& field) {
        fldUsername.connect(key, field);
    }
    const Outlet<UITextField>& fldUsernameForTesting() const { return fldUsername; }
    bool isValidEmailAddressForTesting(const std::string& text) const { return isValidEmailAddress(text); }
    // The confirm action is the screen's own; the scene wires it to the confirm button.
    static auto loginAction(SceneKey) { return &UserAccessViewController::btnLoginPressed; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

    void setupNavigationAppearance();
    void subscribeForKeyboardNotifications();
    // Fills the fields from the stored "userName", "firstName" and "lastName".
    void checkUserData();
    // Writes the edited field through to "extfirstName", "extlastName" or "extuserName".
    void textFieldEditingChanged(const std::shared_ptr<UITextField>& sender);
    void textFieldDidBeginEditing(const std::shared_ptr<UITextField>& field) override;
    // The done key confirms the form.
    bool textFieldShouldReturn(const std::shared_ptr<UITextField>& field) override;
    // Keeps the field being edited just above the keyboard.
    void adjustForKeyboard(const Notification& notification);
    // Leaves the support screens, giving the host its own bar colours back.
    void dismissHelp(const std::shared_ptr<UIBarButtonItem>& sender);

private:
    void btnLoginPressed(const std::shared_ptr<UIButton>& sender);
    bool isValidEmailAddress(const std::string& emailAddressString) const;
    void userCreated(std::optional<UserModel> user, std::optional<ServiceError> error);
    void showStartViewController();
    std::shared_ptr<UserAccessViewController> sharedScreen();

    Outlet<UITextField> fldUsername;
    // The field that began editing last; a fresh field in no view until then.
    std::shared_ptr<UITextField> activeField = std::make_shared<UITextField>();
};

}  // namespace velmaro
