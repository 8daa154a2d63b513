#pragma once

#include <memory>

#include "UIKit/UIButton.h"
#include "UIKit/UITextField.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "Velmaro/Storyboard/StoryboardIdentifiable.h"

namespace velmaro {

class UserAccessViewControllerScene;

// Where the end user identifies with an e-mail address and optionally a name, when the tenant
// needs a user name and none is known.
class UserAccessViewController : public TitledViewController, public StoryboardIdentifiable {
public:
    static constexpr const char* storyboardIdentifier = "UserAccessViewController";

    Outlet<UITextField> fldFirstName;
    Outlet<UITextField> fldLastName;
    Outlet<UIButton> btnConfirm;
    // Kept for callers; nothing in the layer reads or changes it.
    bool userExists = false;

    Outlet<UITextField> fldUsernameForTesting() const { return fldUsername; }

protected:
    // The scene's layout, as the storyboard draws it.
    void loadView() override;

private:
    friend class UserAccessViewControllerScene;

    Outlet<UITextField> fldUsername;
    // The field that began editing last; a fresh field in no view until then.
    std::shared_ptr<UITextField> activeField = std::make_shared<UITextField>();
};

}  // namespace velmaro
