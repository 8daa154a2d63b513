#pragma once

#include <memory>
#include <optional>

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIViewController.h"
#include "Velmaro/CoreInterface/ServiceError.h"
#include "Velmaro/CoreInterface/UserModel.h"
#include "Velmaro/Helpers/Outlet.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"

namespace velmaro {

// The profile: the stored end user's names and avatar, saving changed names, and logging out
// back to where the support screens were entered. It keeps no copy of the user: the stored user
// is read each time it is needed.
class UserDetailsViewController : public UIViewController, public StoryboardIdentifiable {
public:
    static constexpr const char* storyboardIdentifier = "UserDetailsViewController";
    static constexpr const char* screenTitle = "Profile settings";

    // Shown only for a user the host identified (a stored "extuserName").
    Outlet<UIButton> btnLogout;
    Outlet<UILabel> lblLanguage;
    Outlet<UIButton> btnAvatar;
    // Enabled while the field last edited differs from the stored user.
    Outlet<UIBarButtonItem> btnSave;

    // The name fields are the screen's own; the scene connects them like the others.
    void connectNameFields(SceneKey key, const std::shared_ptr<UITextField>& firstName,
                           const std::shared_ptr<UITextField>& lastName) {
        txtFldFirstName.connect(key, firstName);
        txtFldLastname.connect(key, lastName);
    }
    const Outlet<UITextField>& txtFldFirstNameForTesting() const { return txtFldFirstName; }
    const Outlet<UITextField>& txtFldLastnameForTesting() const { return txtFldLastname; }

    void viewDidLoad() override;

    void editingChanged(const std::shared_ptr<UITextField>& sender);
    void saveUserData();
    // Has the core forget the stored user, then leaves through the start screen's position:
    // the presentation is dismissed when the start screen is its root, otherwise the stack goes
    // back to the screen below the start screen.
    void logout();

private:
    void setupUserData();
    void userSaved(std::optional<UserModel> user, std::optional<ServiceError> error);
    std::shared_ptr<UserDetailsViewController> sharedScreen();

    Outlet<UITextField> txtFldFirstName;
    Outlet<UITextField> txtFldLastname;
};

}  // namespace velmaro
